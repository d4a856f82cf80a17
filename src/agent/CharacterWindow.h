#pragma once

// The character on the desktop: a frameless, always-on-top tool window of the
// character's size that shows only the character. Transparent pixels are cut
// out twice: by per-pixel alpha (seen where a compositor runs) and by a window
// shape taken from the frame's alpha, which is what makes it look right on a
// plain X server. A frame without an opaque pixel leaves nothing of the window
// on screen. It never takes the focus and stays out of the task bar and pager.
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

    QImage frame_;
};

} // namespace agent
