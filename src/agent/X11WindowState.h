#pragma once

// What the character window needs of the X server beyond what Qt offers: the
// window states that keep it out of task bars and pagers, whether a
// compositing manager shows a window's pixels beyond its shape, and sending
// requests on at once. Every function does nothing (or answers false) when the
// program does not run on X.

#include <QByteArrayList>

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
// Sends the requests Qt has queued; a shape change alone is not flushed until
// something else is drawn.
void flush();

} // namespace agent::x11
