// The platform asked for before the application starts: X through XWayland on
// a Wayland session that has it, nothing where the user chose or X is absent.

#include "DisplayPlatform.h"
#include "DisplayProbe.h"
#include "TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

using app::DisplayAnswer;
using app::DisplayEnvironment;
using namespace std::chrono_literals;

namespace {

// A display server that takes connections and answers each with a few bytes,
// or never says anything. For X it listens where libxcb looks first for
// display :N, an abstract socket, which leaves no file behind.
class FakeServer
{
public:
    FakeServer(const QByteArray& path, bool answers)
    {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (!bindTo(path) || ::listen(fd_, 8) != 0)
            qFatal("cannot listen at %s", path.constData());
        if (answers)
            answering_ = std::thread([this] {
                const int client = ::accept(fd_, nullptr, nullptr);
                char request[12];
                if (client >= 0 && ::read(client, request, sizeof request) > 0) {
                    const ssize_t sent = ::write(client, request, sizeof request);
                    Q_UNUSED(sent);
                }
                ::close(client);
            });
    }
    // On the first free X display number from 900 on.
    static FakeServer silentX11(QByteArray* display)
    {
        for (int number = 900;; ++number) {
            FakeServer server;
            server.fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (server.bindTo(QByteArray("\0/tmp/.X11-unix/X", 17) + QByteArray::number(number)) &&
                ::listen(server.fd_, 8) == 0) {
                *display = ':' + QByteArray::number(number);
                return server;
            }
        }
    }
    FakeServer(FakeServer&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ~FakeServer()
    {
        if (fd_ < 0)
            return;
        ::shutdown(fd_, SHUT_RDWR);
        if (answering_.joinable())
            answering_.join();
        ::close(fd_);
    }

private:
    FakeServer() = default;
    bool bindTo(const QByteArray& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        return ::bind(fd_, reinterpret_cast<const sockaddr*>(&address),
                      socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(path.size()))) == 0;
    }

    int fd_ = -1;
    std::thread answering_;
};

} // namespace

class TestDisplayPlatform : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QByteArray>("x11");
        QTest::addColumn<bool>("argument");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("gnome on wayland") << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland")
                                          << QByteArray(":0") << false << QByteArray("xcb;wayland");
        QTest::newRow("session type only") << QByteArray() << QByteArray() << QByteArray("wayland")
                                           << QByteArray(":1") << false << QByteArray("xcb;wayland");
        QTest::newRow("no xwayland") << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland")
                                     << QByteArray() << false << QByteArray();
        QTest::newRow("x11 session") << QByteArray() << QByteArray() << QByteArray("x11") << QByteArray(":0")
                                     << false << QByteArray();
        QTest::newRow("user chose wayland")
            << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
            << false << QByteArray();
        QTest::newRow("-platform argument")
            << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0") << true
            << QByteArray();
    }
    void choice()
    {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, session);
        QFETCH(QByteArray, x11);
        QFETCH(bool, argument);
        QFETCH(QByteArray, expected);
        DisplayEnvironment environment{qpa, wayland, session, x11, argument};
        QCOMPARE(app::preferredPlatform(environment), expected);
    }

    void argumentIsSeen()
    {
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("DISPLAY", ":0");
        char program[] = "quorvix-options";
        char option[] = "-platform";
        char value[] = "wayland";
        char* withArgument[] = {program, option, value};
        app::choosePlatform(3, withArgument);
        QVERIFY(qgetenv("QT_QPA_PLATFORM").isEmpty());
        app::choosePlatform(1, withArgument);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
    }

    // -platform before QT_QPA_PLATFORM before Qt's own order.
    void platformsAreTriedInQtsOrder_data()
    {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<bool>("argument");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("x11 session") << QByteArray() << QByteArray("x11") << false << QByteArrayList{"xcb"};
        QTest::newRow("wayland session")
            << QByteArray() << QByteArray("wayland") << false << QByteArrayList{"wayland", "xcb"};
        QTest::newRow("environment") << QByteArray("xcb;wayland") << QByteArray("wayland") << false
                                     << QByteArrayList{"xcb", "wayland"};
        QTest::newRow("argument") << QByteArray("xcb") << QByteArray() << true << QByteArrayList{"offscreen"};
    }
    void platformsAreTriedInQtsOrder()
    {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, session);
        QFETCH(bool, argument);
        QFETCH(QByteArrayList, expected);
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", qpa);
        qputenv("XDG_SESSION_TYPE", session);
        char program[] = "quorvix-options";
        char option[] = "--platform";
        char value[] = "offscreen";
        char* arguments[] = {program, option, value};
        const app::DisplayTargets targets = app::displayTargets(argument ? 3 : 1, arguments);
        QCOMPARE(targets.platforms, expected);
        QCOMPARE(targets.platformArgument, argument ? 2 : -1);
    }

    // A server that took the connection and never replies is told apart
    // from no server at all, for X and for Wayland.
    void probesTellSilenceFromAbsence_data()
    {
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<int>("server"); // 0 none, 1 silent, 2 answering
        QTest::addColumn<int>("expected");
        QTest::newRow("X, silent") << false << 1 << int(DisplayAnswer::Silent);
        QTest::newRow("X, none") << false << 0 << int(DisplayAnswer::Unreachable);
        QTest::newRow("Wayland, silent") << true << 1 << int(DisplayAnswer::Silent);
        QTest::newRow("Wayland, none") << true << 0 << int(DisplayAnswer::Unreachable);
        QTest::newRow("Wayland, answering") << true << 2 << int(DisplayAnswer::Answers);
    }
    void probesTellSilenceFromAbsence()
    {
        QFETCH(bool, wayland);
        QFETCH(int, server);
        QFETCH(int, expected);
        QTemporaryDir dir;
        std::optional<FakeServer> running;
        QByteArray x11Display = ":899999"; // a number no server has
        if (server > 0 && wayland)
            running.emplace(QFile::encodeName(dir.filePath(QStringLiteral("display"))), server == 2);
        else if (server > 0)
            running.emplace(FakeServer::silentX11(&x11Display));
        const DisplayAnswer answer = wayland
                                         ? app::probeWayland("display", QFile::encodeName(dir.path()), 300ms)
                                         : app::probeX11(x11Display, 300ms);
        QCOMPARE(int(answer), expected);
    }

    // When no display answers, one line names each and says how to choose;
    // a platform without a display further down the list is still taken.
    void unansweredDisplaysAreNamed()
    {
        QTemporaryDir dir;
        QByteArray silentX;
        const FakeServer x11 = FakeServer::silentX11(&silentX);
        app::DisplayTargets targets;
        targets.platforms = {"wayland", "xcb"};
        targets.x11Display = silentX;
        targets.waylandDisplay = "wayland-absent";
        targets.runtimeDir = QFile::encodeName(dir.path());
        const app::DisplayVerdict verdict = app::checkDisplays(targets, 300ms);
        QCOMPARE(verdict.firstAnswering, -1);
        for (const QString& part :
             {QString::fromLocal8Bit(silentX), QStringLiteral("wayland-absent"), QStringLiteral("DISPLAY"),
              QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("-platform")})
            QVERIFY2(verdict.problem.contains(part), qPrintable(verdict.problem));
        QVERIFY(!verdict.problem.contains(u'\n'));
        targets.platforms.append("offscreen");
        QCOMPARE(app::checkDisplays(targets, 300ms).firstAnswering, 2);
    }
};

QUORVIX_TEST_MAIN_CORE(TestDisplayPlatform)
#include "tst_display_platform.moc"
