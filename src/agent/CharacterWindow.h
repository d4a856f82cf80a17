#pragma once

// The character on the desktop: a frameless, always-on-top tool window of the
// character's size that shows only the character. On a plain X server its
// transparent pixels are cut out by a window shape taken from the frame's
// alpha. Where a compositing manager runs and the window has an alpha
// visual, the per-pixel alpha alone does it: no shape, which compositors
// follow a frame late (leaving patches where the last frame was) and draw
// shadows for, and the window asks them for no shadow; clicks still land only
// on the character's pixels. A frame without an opaque pixel leaves nothing
// of the window on screen. It never takes the focus and stays out of the task
// bar and pager.
// Where the window system leaves placing and stacking to the program (an X
// server without a window manager), it raises itself whenever another window
// of the program is mapped, so it stays above them as a window manager keeps it.

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace agent {

class CharacterWindow : public QWidget
{
public:
    explicit CharacterWindow(QSize characterSize);

    // Shows this composed frame (character size, ARGB32 premultiplied).
    void setFrame(const QImage& frame);
    // The X window is made on the first show, not with the widget: a character
    // loaded while the options window opens costs that window nothing on screen.
    void setVisible(bool visible) override;
    const QImage& frame() const { return frame_; }
    // The shape of a blank frame: no pixel of the window.
    static QRegion blankShape() { return QRegion(-1, -1, 1, 1); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True where pixels outside the shape stay on screen until painted over:
    // on Wayland a mask only limits input, and a compositing manager on X
    // draws the window's whole buffer.
    bool pixelsOutsideShapeShow();
    // True where a compositing manager blends the window by its alpha.
    bool blendedByCompositor();
    void prepareXWindow();
    void showBlended(const QRegion& shape);
    void showShaped(const QRegion& shape);

    QImage frame_;
    bool xWindowPrepared_ = false;
    bool alphaVisual_ = false;
    bool blended_ = false;         // the last frame was shown without a shape
    unsigned shadowRefusedOn_ = 0; // the outermost window that carries the no-shadow property
};

} // namespace agent
