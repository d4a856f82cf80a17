#pragma once

// Which Qt platform plugin the program asks for before its application object
// exists. On a Wayland session with an X server at hand (XWayland), the
// character window goes through X: there it can stand at its stored place,
// stay above the program's windows and keep out of the task bar, none of which
// a Wayland client can ask of its compositor. Native Wayland stays the fallback
// for sessions whose X server cannot be reached, and a platform the user chose
// (QT_QPA_PLATFORM or -platform) always wins.

#include <QByteArray>

namespace app {

struct DisplayEnvironment
{
    QByteArray qpaPlatform;        // QT_QPA_PLATFORM
    QByteArray waylandDisplay;     // WAYLAND_DISPLAY
    QByteArray sessionType;        // XDG_SESSION_TYPE
    QByteArray x11Display;         // DISPLAY
    bool platformArgument = false; // -platform or --platform on the command line
};

// The value for QT_QPA_PLATFORM, or empty to leave Qt's own choice alone.
QByteArray preferredPlatform(const DisplayEnvironment& environment);

// Reads the environment and the arguments and sets QT_QPA_PLATFORM when
// preferredPlatform asks for one. Call it before QApplication is constructed.
void choosePlatform(int argc, char** argv);

} // namespace app
