#include "OneWindowPerStore.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QThread>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

using namespace Qt::StringLiterals;

namespace app {

namespace {

// How long a later start keeps asking the open window to come forward.
constexpr int kAskForMs = 1'000;
constexpr int kAskAgainMs = 20;
// Starts that may wait in the queue while the window is busy opening.
constexpr int kWaitingStarts = 128;

#ifdef Q_OS_UNIX
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder that only this user can enter: the user's runtime folder, or one
// of our own in the temporary folder, created owner-only. A folder someone
// else made, or made open to others, is never used: "" then.
QString privateFolder()
{
    const auto isPrivate = [](const QByteArray& path) {
        struct stat info
        {};
        return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
               (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
    };
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivate(runtime))
        return QFile::decodeName(runtime);
    const QByteArray own = QFile::encodeName(QDir::tempPath()) + "/quorvix-options-" +
                           QByteArray::number(qulonglong(::geteuid()));
    if (::mkdir(own.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return QString();
    return isPrivate(own) ? QFile::decodeName(own) : QString();
}
#endif

// Per store file; kept short, as a socket's path has a small fixed limit.
QString socketPathFor(const QString& storeFile)
{
#ifdef Q_OS_UNIX
    const QString folder = privateFolder();
    if (folder.isEmpty())
        return QString();
    const QByteArray hash =
        QCryptographicHash::hash(storeFile.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return folder + u"/quorvix-options-"_s + QString::fromLatin1(hash);
#else
    Q_UNUSED(storeFile);
    return QString();
#endif
}

#ifdef Q_OS_UNIX
bool socketAddress(const QString& path, sockaddr_un* address)
{
    const QByteArray bytes = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (bytes.isEmpty() || bytes.size() >= qsizetype(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// Asks the window listening at path to come forward, once; the request is
// the connection itself. No socket there yet, nobody listening on it or a
// full queue all mean "not now": the window may be starting.
bool askToComeForward(const QString& path)
{
    sockaddr_un address;
    if (!socketAddress(path, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Nothing is written: the open window may close the connection before
    // a write could land, and a write to a closed socket would end this process.
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answered;
}

// What a lock file says of its holder, for the user: QLockFile's form
// (process id, program, host), which earlier versions wrote too.
QString holderOf(int fd)
{
    char buffer[512];
    const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
    const QStringList lines = QString::fromUtf8(buffer, got > 0 ? qsizetype(got) : 0).split(u'\n');
    if (lines.size() < 3 || lines[0].toLongLong() <= 0)
        return u"held by a program that is running"_s;
    return u"held by process %1 (%2) on host %3"_s.arg(lines[0], lines[1], lines[2]);
}
#endif

} // namespace

OneWindowPerStore::OneWindowPerStore(const QString& storeFile, QObject* parent)
    : QObject(parent), storeFile_(storeFile), lockPath_(storeFile + u".window"_s)
{}

OneWindowPerStore::~OneWindowPerStore()
{
#ifdef Q_OS_UNIX
    if (listener_ >= 0) {
        delete notifier_;
        ::close(listener_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
    if (lockFd_ >= 0) {
        // Removed while still held: a start that opened it meanwhile finds
        // the name gone once it holds the lock, and tries again.
        ::unlink(QFile::encodeName(lockPath_).constData());
        ::close(lockFd_);
    }
#endif
}

#ifdef Q_OS_UNIX
OneWindowPerStore::Claim OneWindowPerStore::claimLock(settings::StoreProblem* problem)
{
    using Kind = settings::StoreProblem::Kind;
    const QByteArray name = QFile::encodeName(lockPath_);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int error = errno;
            *problem = {error == EACCES || error == EROFS || error == EPERM ? Kind::ReadOnly : Kind::Other,
                        u"cannot create %1: %2"_s.arg(lockPath_, systemError(error))};
            return Claim::Impossible;
        }
        struct stat held
        {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            *problem = {Kind::Other, u"%1 is not a regular file"_s.arg(lockPath_)};
            return Claim::Impossible;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            *problem =
                error == EWOULDBLOCK
                    ? settings::StoreProblem{Kind::HeldByOther, u"%1 is %2"_s.arg(lockPath_, holderOf(fd))}
                    : settings::StoreProblem{Kind::Other,
                                             u"cannot lock %1: %2"_s.arg(lockPath_, systemError(error))};
            ::close(fd);
            return error == EWOULDBLOCK ? Claim::HeldElsewhere : Claim::Impossible;
        }
        struct stat named
        {};
        if (::stat(name.constData(), &named) != 0 || named.st_dev != held.st_dev ||
            named.st_ino != held.st_ino) {
            ::close(fd); // a holder that ended removed it after we opened it
            continue;
        }
        const QByteArray holder = QByteArray::number(qlonglong(::getpid())) + '\n' +
                                  QCoreApplication::applicationName().toUtf8() + '\n' +
                                  QSysInfo::machineHostName().toUtf8() + '\n';
        // Only for people looking at it: a lock that could not be filled in is held all the same.
        if (::ftruncate(fd, 0) == 0) {
            const ssize_t written = ::pwrite(fd, holder.constData(), std::size_t(holder.size()), 0);
            Q_UNUSED(written);
        }
        lockFd_ = fd;
        return Claim::Held;
    }
    *problem = {Kind::Other, u"%1 keeps changing"_s.arg(lockPath_)};
    return Claim::Impossible;
}
#else
OneWindowPerStore::Claim OneWindowPerStore::claimLock(settings::StoreProblem* problem)
{
    using Kind = settings::StoreProblem::Kind;
    portableLock_ = std::make_unique<QLockFile>(lockPath_);
    portableLock_->setStaleLockTime(0);
    if (portableLock_->tryLock(0))
        return Claim::Held;
    const bool held = portableLock_->error() == QLockFile::LockFailedError;
    *problem =
        held ? settings::StoreProblem{Kind::HeldByOther, u"%1 is held by another program"_s.arg(lockPath_)}
             : settings::StoreProblem{Kind::Other, u"cannot create %1"_s.arg(lockPath_)};
    portableLock_.reset();
    return held ? Claim::HeldElsewhere : Claim::Impossible;
}
#endif

bool OneWindowPerStore::anotherWindowIsOpen()
{
    problem_ = {};
    headline_.clear();
    socketPath_ = socketPathFor(storeFile_);
    settings::StoreProblem detail;
    switch (claimLock(&detail)) {
    case Claim::Held:
        listen();
        return false;
    case Claim::HeldElsewhere:
        switch (reachOpenWindow(&detail)) {
        case Reach::CameForward:
            return true;
        case Reach::LockTaken:
            listen(); // the window ended while this start was asking
            return false;
        case Reach::NoAnswer:
            // Open on another computer sharing this folder, or not answering.
            problem_ = detail;
            headline_ = u"この設定はほかのｵﾌﾟｼｮﾝ画面で開かれています\r\n"_s + storeFile_;
            return true;
        case Reach::LockImpossible:
            cannotClaim(detail);
            return true;
        }
        return true;
    case Claim::Impossible:
        // Without the lock a second window could open unseen beside this one:
        // refused, like a store that cannot be written, which it then is not.
        cannotClaim(detail);
        return true;
    }
    return true;
}

OneWindowPerStore::Reach OneWindowPerStore::reachOpenWindow(settings::StoreProblem* problem)
{
    // A window that has just taken the lock may not be listening yet, and
    // twenty starts at once keep it from answering at once: the whole second
    // is used before anything is said, and a window that ends meanwhile
    // leaves the store to this start.
    QElapsedTimer asking;
    asking.start();
    for (;;) {
#ifdef Q_OS_UNIX
        if (askToComeForward(socketPath_))
            return Reach::CameForward;
#endif
        if (asking.elapsed() >= kAskForMs)
            return Reach::NoAnswer;
        QThread::msleep(kAskAgainMs);
        switch (claimLock(problem)) {
        case Claim::Held:
            return Reach::LockTaken;
        case Claim::HeldElsewhere:
            break;
        case Claim::Impossible:
            return Reach::LockImpossible;
        }
    }
}

void OneWindowPerStore::cannotClaim(const settings::StoreProblem& problem)
{
    problem_ = problem;
    headline_ = u"ｵﾌﾟｼｮﾝ画面を開けませんでした\r\n"_s + storeFile_;
}

void OneWindowPerStore::listen()
{
#ifdef Q_OS_UNIX
    sockaddr_un address;
    if (!socketAddress(socketPath_, &address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // We hold the lock, and the folder is ours alone: a socket file left
    // there belongs to a holder that died.
    ::unlink(address.sun_path);
    const mode_t oldMask = ::umask(0077); // only this user may ask
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, kWaitingStarts) != 0) {
        ::close(fd);
        return;
    }
    listener_ = fd;
    // Before the application object there is no event loop to watch with:
    // a start that asks meanwhile waits in the queue until setWindow().
    if (QCoreApplication::instance())
        watchListener();
#endif
}

void OneWindowPerStore::setWindow(QWidget* window)
{
    window_ = window;
    if (listener_ >= 0 && !notifier_)
        watchListener();
}

void OneWindowPerStore::watchListener()
{
    notifier_ = new QSocketNotifier(qintptr(listener_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &OneWindowPerStore::acceptRequests);
    acceptRequests(); // what asked before
}

void OneWindowPerStore::acceptRequests()
{
#ifdef Q_OS_UNIX
    bool asked = false;
    for (int connection; (connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        ::close(connection);
        asked = true;
    }
    if (asked)
        bringToFront();
#endif
}

void OneWindowPerStore::bringToFront()
{
    // A modal account window stays in front of the options window.
    QWidget* window = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window_.data();
    if (window) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    }
    emit broughtToFront();
}

} // namespace app
