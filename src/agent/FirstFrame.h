#pragma once

// Work that is to wait until a window the user sees has drawn its first frame.

#include <QObject>

#include <functional>

class QWidget;

namespace agent {

// Calls then from the event loop once window has painted for the first time,
// or at once when window is already on screen. Nothing is called when
// context or window goes first.
void whenFirstDrawn(QWidget* window, QObject* context, std::function<void()> then);

} // namespace agent
