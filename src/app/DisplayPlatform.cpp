#include "DisplayPlatform.h"

#include <QtGlobal>

#include <cstring>

namespace app {

QByteArray preferredPlatform(const DisplayEnvironment& environment)
{
    if (!environment.qpaPlatform.isEmpty() || environment.platformArgument)
        return {};
    const bool waylandSession = !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!waylandSession || environment.x11Display.isEmpty())
        return {};
    // Qt tries the entries in order: X first, Wayland when X cannot be opened.
    return QByteArrayLiteral("xcb;wayland");
}

void choosePlatform(int argc, char** argv)
{
    DisplayEnvironment environment;
    environment.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.sessionType = qgetenv("XDG_SESSION_TYPE");
    environment.x11Display = qgetenv("DISPLAY");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            environment.platformArgument = true;
    }
    const QByteArray platform = preferredPlatform(environment);
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace app
