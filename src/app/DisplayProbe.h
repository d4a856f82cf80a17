#pragma once

// Whether a display server answers, asked the way its Qt platform would
// connect but with a deadline. Qt waits without end for a server that
// accepted the connection and then says nothing (a stopped X server, a hung
// compositor), so the program asks first and can tell the user which display
// is at fault instead of hanging.

#include <QByteArray>

#include <chrono>
#include <memory>

namespace app {

enum class DisplayAnswer {
    Answers,     // the server took the connection and replied
    Unreachable, // no server there, or it refused the connection
    Silent,      // the connection was made, but no reply came in time
};

// An X display name as DISPLAY holds it (":0", "host:1.0", a socket's path).
// The connection is made, authorised and closed again; with keep, the
// connection to a server that answers is handed over instead and closes when
// the last copy of keep is released.
DisplayAnswer probeX11(const QByteArray& display, std::chrono::milliseconds deadline,
                       std::shared_ptr<void>* keep = nullptr);

// A Wayland socket: a name in runtimeDir ("wayland-0") or an absolute path.
// One round trip of the core protocol (wl_display.sync) is asked for.
DisplayAnswer probeWayland(const QByteArray& display, const QByteArray& runtimeDir,
                           std::chrono::milliseconds deadline);

} // namespace app
