#include "DisplayPlatform.h"

#include "DisplayProbe.h"

#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace app {

namespace {

// Each display gets this long to answer; with both an X and a Wayland display
// to ask, the user still hears within five seconds.
constexpr std::chrono::milliseconds kAnswerWithin{2'000};

const QString kHowToChoose = u"表示先は DISPLAY (X)、WAYLAND_DISPLAY (Wayland) か -platform で選んで下さい"_s;

enum class Server { X11, Wayland, None };

Server serverOf(const QByteArray& platform)
{
    const qsizetype colon = platform.indexOf(':'); // arguments follow a colon
    const QByteArray plugin = colon < 0 ? platform : platform.left(colon);
    if (plugin == "xcb")
        return Server::X11;
    if (plugin.startsWith("wayland"))
        return Server::Wayland;
    return Server::None; // offscreen, minimal, vnc, a framebuffer: nothing to ask
}

QString quoted(const QByteArray& name)
{
    return u'"' + QString::fromLocal8Bit(name) + u'"';
}

QString x11Reason(const DisplayTargets& targets, DisplayAnswer answer)
{
    if (targets.x11Display.isEmpty())
        return u"X の DISPLAY が設定されていません"_s;
    if (answer == DisplayAnswer::Silent)
        return u"X ﾃﾞｨｽﾌﾟﾚｲ %1 が応答しません"_s.arg(quoted(targets.x11Display));
    return u"X ﾃﾞｨｽﾌﾟﾚｲ %1 に接続できません"_s.arg(quoted(targets.x11Display));
}

QString waylandReason(const DisplayTargets& targets, DisplayAnswer answer)
{
    const QString name = quoted(targets.waylandDisplay);
    if (answer == DisplayAnswer::Silent)
        return u"Wayland ﾃﾞｨｽﾌﾟﾚｲ %1 が応答しません"_s.arg(name);
    if (!targets.waylandDisplay.startsWith('/') && targets.runtimeDir.isEmpty())
        return u"Wayland ﾃﾞｨｽﾌﾟﾚｲ %1 に接続できません (XDG_RUNTIME_DIR が設定されていません)"_s.arg(name);
    return u"Wayland ﾃﾞｨｽﾌﾟﾚｲ %1 に接続できません"_s.arg(name);
}

void tellUser(const QString& line)
{
    std::fprintf(stderr, "quorvix-options: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

// Qt's messages while its platform starts, held back: when the start fails,
// the user gets the program's one line instead of Qt's advice to reinstall.
struct HeldMessage
{
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

struct PlatformStartWatch
{
    QtMessageHandler previous = nullptr;
    QByteArray platforms;
    std::vector<HeldMessage> held;
};

PlatformStartWatch& watch()
{
    static PlatformStartWatch instance;
    return instance;
}

void holdDuringPlatformStart(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        tellUser(u"画面を開けません (Qt の表示ﾌﾟﾗｸﾞｲﾝ %1 を開始できません)。"_s.arg(
                     QString::fromLocal8Bit(watch().platforms)) +
                 kHowToChoose);
        std::_Exit(1);
    }
    watch().held.push_back({type, context.file, context.line, context.function, context.category, text});
}

} // namespace

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

DisplayTargets displayTargets(int argc, char** argv)
{
    DisplayTargets targets;
    QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    targets.x11Display = qgetenv("DISPLAY");
    for (int i = 1; i + 1 < argc; ++i) {
        const char* argument = argv[i][0] == '-' && argv[i][1] == '-' ? argv[i] + 1 : argv[i];
        if (std::strcmp(argument, "-platform") == 0) {
            targets.platformArgument = i + 1;
            platforms = argv[i + 1];
        } else if (std::strcmp(argument, "-display") == 0) {
            targets.x11Display = argv[i + 1];
        }
    }
    if (platforms.isEmpty()) {
        const bool waylandSession =
            qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
        platforms = waylandSession ? "wayland;xcb" : "xcb";
    }
    for (const QByteArray& platform : platforms.split(';')) {
        if (!platform.trimmed().isEmpty())
            targets.platforms.append(platform.trimmed());
    }
    targets.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if (targets.waylandDisplay.isEmpty())
        targets.waylandDisplay = "wayland-0";
    targets.runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    targets.waylandSocket = qEnvironmentVariableIsSet("WAYLAND_SOCKET");
    return targets;
}

DisplayVerdict checkDisplays(const DisplayTargets& targets, std::chrono::milliseconds deadline)
{
    DisplayVerdict verdict;
    std::optional<DisplayAnswer> x11;
    std::optional<DisplayAnswer> wayland;
    QStringList reasons;
    for (qsizetype i = 0; i < targets.platforms.size() && verdict.firstAnswering < 0; ++i) {
        switch (serverOf(targets.platforms[i])) {
        case Server::None:
            verdict.firstAnswering = i;
            break;
        case Server::X11:
            if (!x11) {
                x11 = probeX11(targets.x11Display, deadline, &verdict.x11Connection);
                if (*x11 != DisplayAnswer::Answers)
                    reasons.append(x11Reason(targets, *x11));
            }
            if (*x11 == DisplayAnswer::Answers)
                verdict.firstAnswering = i;
            break;
        case Server::Wayland:
            if (!wayland) {
                wayland = targets.waylandSocket
                              ? DisplayAnswer::Answers
                              : probeWayland(targets.waylandDisplay, targets.runtimeDir, deadline);
                if (*wayland != DisplayAnswer::Answers)
                    reasons.append(waylandReason(targets, *wayland));
            }
            if (*wayland == DisplayAnswer::Answers)
                verdict.firstAnswering = i;
            break;
        }
    }
    if (verdict.firstAnswering < 0)
        verdict.problem = u"画面に接続できません: "_s + reasons.join(u"、"_s) + u"。"_s + kHowToChoose;
    return verdict;
}

DisplayStart::DisplayStart(int argc, char** argv)
{
    const DisplayTargets targets = displayTargets(argc, argv);
    const DisplayVerdict verdict = checkDisplays(targets, kAnswerWithin);
    if (verdict.firstAnswering < 0) {
        tellUser(verdict.problem);
        return;
    }
    reached_ = true;
    x11Connection_ = verdict.x11Connection;
    const QByteArray platforms = targets.platforms.mid(verdict.firstAnswering).join(';');
    if (verdict.firstAnswering > 0) {
        // Qt would try the displays that did not answer first, and wait on a silent one.
        if (targets.platformArgument > 0) {
            static QByteArray argument;
            argument = platforms;
            argv[targets.platformArgument] = argument.data();
        } else {
            qputenv("QT_QPA_PLATFORM", platforms);
        }
    }
    watch().platforms = platforms;
    watch().previous = qInstallMessageHandler(holdDuringPlatformStart);
    watching_ = true;
}

DisplayStart::~DisplayStart()
{
    applicationCreated();
}

void DisplayStart::applicationCreated()
{
    x11Connection_.reset();
    if (!watching_)
        return;
    watching_ = false;
    qInstallMessageHandler(watch().previous);
    // The start went well: what Qt said on the way is said now.
    for (const HeldMessage& m : std::exchange(watch().held, {})) {
        const QMessageLogContext context(m.file.constData(), m.line, m.function.constData(),
                                         m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
}

} // namespace app
