#include "CharacterWindow.h"

#include "X11WindowState.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QWindow>

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

void CharacterWindow::setVisible(bool visible)
{
    if (visible && !xWindowPrepared_ && x11::isActive()) {
        xWindowPrepared_ = true;
        prepareXWindow();
        // A frame set before there was a window was shaped without knowing
        // whether a compositor blends this one: set it again.
        if (!mask().isEmpty())
            setFrame(frame_);
    }
    QWidget::setVisible(visible);
}

void CharacterWindow::prepareXWindow()
{
    create();
    // Qt's tool window gives the utility type, and the stay-on-top hint the
    // above state; leaving the task bar and the pager Qt has no flag for.
    x11::addWindowStates(windowHandle(), {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    // Qt took a 32-bit ARGB visual for the translucent window where the
    // screen has one; a compositor leaves its transparent pixels transparent.
    alphaVisual_ = windowHandle()->format().hasAlpha();
    // Before the window is mapped, for a compositor that already runs where
    // no window manager puts a frame around it.
    shadowRefusedOn_ = unsigned(windowHandle()->winId());
    x11::refuseShadow(shadowRefusedOn_);
    qApp->installEventFilter(this);
}

bool CharacterWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && isVisible()) {
        auto* window = qobject_cast<QWindow*>(watched);
        // Popups (menus, drop-down lists) stay above the character, as they do under any window manager.
        if (window && window != windowHandle() && window->isExposed() &&
            (window->type() == Qt::Window || window->type() == Qt::Dialog)) {
            raise();
            x11::flush();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CharacterWindow::pixelsOutsideShapeShow()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    return x11::compositingManagerRuns(windowHandle());
}

bool CharacterWindow::blendedByCompositor()
{
    return alphaVisual_ && x11::compositingManagerRuns(windowHandle());
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
    if (blendedByCompositor())
        showBlended(shape);
    else
        showShaped(shape);
    // A blank frame paints nothing, and Qt would hold its new shape back until
    // the next drawing: the last frame would stay on screen.
    x11::flush();
}

void CharacterWindow::showBlended(const QRegion& shape)
{
    if (!blended_) {
        blended_ = true;
        clearMask();
    }
    x11::setInputShape(windowHandle(), shape);
    if (!isVisible()) {
        update();
        return;
    }
    // The window manager may have put a frame around the window since the
    // last frame; the compositor reads the shadow property there.
    if (const unsigned outermost = x11::outermostWindow(windowHandle()); outermost != shadowRefusedOn_) {
        x11::refuseShadow(outermost);
        shadowRefusedOn_ = outermost;
    }
    // The whole window, transparent where the character has no pixel.
    repaint();
}

void CharacterWindow::showShaped(const QRegion& shape)
{
    if (blended_) {
        blended_ = false; // the compositor has gone: the shape cuts out again
        x11::setInputShape(windowHandle(), QRegion());
    }
    if (!isVisible()) {
        setMask(shape);
        update();
        return;
    }
    if (pixelsOutsideShapeShow()) {
        // Painting is clipped to the mask, and what the last frame drew outside
        // the new shape would stay on screen: the new frame is painted over
        // both shapes (transparent where it has no pixel) before the mask narrows.
        setMask(mask().united(shape));
        repaint();
        setMask(shape);
    } else {
        // Without a compositor a pixel that the new shape adds shows black until
        // it is painted (the window system keeps nothing outside the old shape),
        // so the window paints at once rather than at the next turn of the loop.
        setMask(shape);
        repaint();
    }
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
