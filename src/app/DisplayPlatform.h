#pragma once

// Which Qt platform plugin the program asks for before its application object
// exists. On a Wayland session with an X server at hand (XWayland), the
// character window goes through X: there it can stand at its stored place,
// stay above the program's windows and keep out of the task bar, none of which
// a Wayland client can ask of its compositor. Native Wayland stays the fallback
// for sessions whose X server cannot be reached, and a platform the user chose
// (QT_QPA_PLATFORM or -platform) always wins.
//
// Before the application object exists the program also makes sure that a
// display of those platforms answers. Qt would abort with advice to reinstall
// where none can be reached, and hang without a word on a server that took
// the connection but never replies; the program instead says in one line
// which display failed and how to choose another, and ends with code 1.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <chrono>
#include <memory>

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

// The platforms Qt is about to try and the displays they would open.
struct DisplayTargets
{
    QByteArrayList platforms;   // in the order Qt tries them
    int platformArgument = -1;  // index in argv of the -platform value, or -1
    QByteArray x11Display;      // -display, else DISPLAY
    QByteArray waylandDisplay;  // WAYLAND_DISPLAY, else the library's "wayland-0"
    QByteArray runtimeDir;      // XDG_RUNTIME_DIR, where a Wayland socket's name is looked up
    bool waylandSocket = false; // WAYLAND_SOCKET: a connection handed over by the compositor
};

// Reads them as Qt will: -platform before QT_QPA_PLATFORM before Qt's own
// order (Wayland first on a Wayland session, then X).
DisplayTargets displayTargets(int argc, char** argv);

struct DisplayVerdict
{
    qsizetype firstAnswering = -1; // index into the platforms; -1 when none answers
    QString problem;               // the line for the user when none answers
    // The check's connection to an X server that answered, open until released.
    std::shared_ptr<void> x11Connection;
};

// Asks each platform's display in turn, each for at most deadline, until one
// answers. A platform without a display server (offscreen) always answers.
DisplayVerdict checkDisplays(const DisplayTargets& targets, std::chrono::milliseconds deadline);

// The start of Qt's platform, from before the application object to after it.
class DisplayStart
{
public:
    // Asks the displays and lets Qt begin at the first that answers, so that
    // it does not wait on a silent one first. Call after choosePlatform.
    DisplayStart(int argc, char** argv);
    ~DisplayStart();
    DisplayStart(const DisplayStart&) = delete;
    DisplayStart& operator=(const DisplayStart&) = delete;

    // False when no display answers; the reason is then on standard error.
    bool reached() const { return reached_; }
    // Once the application object exists: until then a platform that fails
    // all the same is reported in the program's words, not Qt's.
    void applicationCreated();

private:
    bool reached_ = false;
    bool watching_ = false;
    // Held until Qt's own connection is made: an X server that loses its
    // last client resets itself (a bare one does, with nothing else running),
    // and Qt's connection would wait for that reset, some 20 ms.
    std::shared_ptr<void> x11Connection_;
};

} // namespace app
