#include "RoundedShape.h"

#include <QPainter>

#include <algorithm>

namespace controls {

RoundedShape::RoundedShape(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void RoundedShape::setFillColor(const QColor& color)
{
    fill_ = color;
    update();
}

void RoundedShape::setBorderColor(const QColor& color)
{
    border_ = color;
    update();
}

void RoundedShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(border_, 1));
    painter.setBrush(fill_);
    // Corners rounded by a sixth of the shorter side, as a balloon is drawn.
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(frame.width(), frame.height()) / 6.0;
    painter.drawRoundedRect(frame, radius, radius);
}

} // namespace controls
