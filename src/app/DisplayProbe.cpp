#include "DisplayProbe.h"

#include <xcb/xcb.h>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace app {

namespace {

using Clock = std::chrono::steady_clock;

bool waitToRead(int fd, Clock::time_point until)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, int(left));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

DisplayAnswer probeX11(const QByteArray& display, std::chrono::milliseconds deadline,
                       std::shared_ptr<void>* keep)
{
    if (display.isEmpty())
        return DisplayAnswer::Unreachable;
    // libxcb knows every form of display name and the authorisation, but it
    // waits for the server's reply without end: it connects on a thread of
    // its own, which is left behind when the server stays silent.
    struct Attempt
    {
        std::mutex mutex;
        std::condition_variable finished;
        std::optional<bool> connected;
        bool keep = false;      // hand an answering connection over instead of closing it
        bool abandoned = false; // the asker gave up waiting: nobody takes the connection
        xcb_connection_t* kept = nullptr;
    };
    auto attempt = std::make_shared<Attempt>();
    attempt->keep = keep != nullptr;
    std::thread([attempt, display] {
        xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        {
            const std::lock_guard lock(attempt->mutex);
            attempt->connected = connected;
            if (connected && attempt->keep && !attempt->abandoned)
                attempt->kept = std::exchange(connection, nullptr);
        }
        if (connection)
            xcb_disconnect(connection);
        attempt->finished.notify_one();
    }).detach();
    std::unique_lock lock(attempt->mutex);
    if (!attempt->finished.wait_for(lock, deadline, [&] { return attempt->connected.has_value(); })) {
        attempt->abandoned = true;
        return DisplayAnswer::Silent;
    }
    if (attempt->kept)
        *keep = std::shared_ptr<void>(attempt->kept,
                                      [](void* c) { xcb_disconnect(static_cast<xcb_connection_t*>(c)); });
    return *attempt->connected ? DisplayAnswer::Answers : DisplayAnswer::Unreachable;
}

DisplayAnswer probeWayland(const QByteArray& display, const QByteArray& runtimeDir,
                           std::chrono::milliseconds deadline)
{
    const bool absolute = display.startsWith('/');
    if (!absolute && runtimeDir.isEmpty())
        return DisplayAnswer::Unreachable; // where the socket would be is not known
    const QByteArray path = absolute ? display : QByteArray(runtimeDir).append('/').append(display);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return DisplayAnswer::Unreachable;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return DisplayAnswer::Unreachable;
    const Clock::time_point until = Clock::now() + deadline;
    DisplayAnswer answer = DisplayAnswer::Unreachable;
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        // A full queue: the compositor is there but does not take connections.
        if (errno != EAGAIN && errno != EINTR) {
            ::close(fd);
            return DisplayAnswer::Unreachable;
        }
        if (Clock::now() >= until) {
            ::close(fd);
            return DisplayAnswer::Silent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // wl_display (object 1), request 0 "sync" with a new callback object 2:
    // the object id, then the message size in the high and the opcode in the
    // low half of the second word. Any compositor answers it at once.
    const std::uint32_t sync[3] = {1, 12u << 16, 2};
    if (::send(fd, sync, sizeof sync, MSG_NOSIGNAL) == ssize_t(sizeof sync)) {
        if (!waitToRead(fd, until)) {
            answer = DisplayAnswer::Silent;
        } else {
            char reply[8];
            answer =
                ::recv(fd, reply, sizeof reply, 0) > 0 ? DisplayAnswer::Answers : DisplayAnswer::Unreachable;
        }
    }
    ::close(fd);
    return answer;
}

} // namespace app
