#include "CharacterWindow.h"

#include <QBitmap>
#include <QPainter>
#include <QRegion>

namespace agent {

CharacterWindow::CharacterWindow(QSize characterSize)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint)
{
    setObjectName(QStringLiteral("AgentCharacterWindow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(characterSize);
    frame_ = QImage(characterSize, QImage::Format_ARGB32_Premultiplied);
    frame_.fill(0);
}

void CharacterWindow::setFrame(const QImage& frame)
{
    frame_ = frame;
    if (frame_.size() != size()) {
        frame_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        frame_.fill(0);
    }
    QRegion shape(QBitmap::fromImage(frame_.createAlphaMask()));
    // An empty region would switch the shape off and show the whole square. A
    // blank frame is shaped to a pixel outside the window instead, which the
    // window system clips away: nothing of the window is left on screen.
    if (shape.isEmpty())
        shape = blankShape();
    setMask(shape);
    // Without a compositor a pixel that the new shape adds shows black until
    // it is painted (the window system keeps nothing outside the old shape),
    // so a shown window paints at once rather than at the next turn of the loop.
    if (isVisible())
        repaint();
    else
        update();
}

void CharacterWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Drawn into the logical rectangle: at a device pixel ratio above 1 the
    // pixels are enlarged without smoothing, as the character was drawn.
    painter.drawImage(rect(), frame_);
}

} // namespace agent
