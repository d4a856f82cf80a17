#pragma once

// A rounded rectangle with a solid fill and an outline, drawn behind other
// controls (the balloon of the font preview).

#include <QColor>
#include <QWidget>

namespace controls {

class RoundedShape : public QWidget
{
    Q_OBJECT

public:
    explicit RoundedShape(QWidget* parent = nullptr);

    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& color);
    QColor borderColor() const { return border_; }
    void setBorderColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_ = Qt::white;
    QColor border_ = Qt::black;
};

} // namespace controls
