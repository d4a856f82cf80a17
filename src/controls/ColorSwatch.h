#pragma once

// A bordered label that shows one colour as its background and reports a
// click, used to show and choose the popup colours of an account.

#include <QLabel>

namespace controls {

class ColorSwatch : public QLabel
{
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    // Background colour as &H00BBGGRR.
    qint32 BackColor() const { return backColor_; }
    void setBackColor(qint32 bgr);

signals:
    // Left button pressed and released over the swatch.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qint32 backColor_ = 0;
    bool pressed_ = false;
};

} // namespace controls
