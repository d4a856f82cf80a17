#include "ColorSwatch.h"

#include "BgrColor.h"

#include <QMouseEvent>

namespace controls {

ColorSwatch::ColorSwatch(QWidget* parent) : QLabel(parent)
{
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setBackColor(0);
}

void ColorSwatch::setBackColor(qint32 bgr)
{
    backColor_ = bgr;
    QPalette p = palette();
    p.setColor(QPalette::Window, colorFromBgr(bgr));
    // A black swatch keeps a visible frame.
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
}

void ColorSwatch::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = pressed_;
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace controls
