#pragma once

// What the character window needs of the X server beyond what Qt offers: the
// window states that keep it out of task bars and pagers, whether a
// compositing manager shows a window's pixels beyond its shape, the input
// shape and the shadow property for a window that compositors blend by its
// alpha, and sending requests on at once. Every function does nothing (or
// answers false) when the program does not run on X.

#include <QByteArrayList>
#include <QRegion>

class QWindow;

namespace agent::x11 {

bool isActive();
// Adds these _NET_WM_STATE atoms to a window that is not mapped yet; Qt merges
// its own states into the property when it maps the window.
void addWindowStates(QWindow* window, const QByteArrayList& states);
// True when a compositing manager runs on the window's screen. It draws the
// window's whole buffer, so pixels outside the shape stay visible unless they
// are painted transparent.
bool compositingManagerRuns(QWindow* window);
// Where clicks land on the window (logical coordinates); an empty region
// gives the window its whole rectangle back.
void setInputShape(QWindow* window, const QRegion& region);
// The window that a compositing manager draws for this one: the window
// manager's frame around it, or the window itself where nobody reparented it.
unsigned outermostWindow(QWindow* window);
// Asks compositing managers to draw no shadow for that window (_COMPTON_SHADOW
// 0, which they read on the outermost window).
void refuseShadow(unsigned outermost);
// Sends the requests Qt has queued; a shape change alone is not flushed until
// something else is drawn.
void flush();

} // namespace agent::x11
