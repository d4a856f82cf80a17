#include "OneWindowPerStore.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

namespace app {

namespace {

// Per user and per store, so that stores of other users or folders do not
// meet; in the user's runtime folder where there is one. Kept short: a
// socket's path has a small fixed limit.
QString socketPathFor(const QString& storePath)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFileInfo(storePath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder +
           QStringLiteral("/quorvix-options-%1-%2").arg(QDir::home().dirName(), QString::fromLatin1(hash));
}

#ifdef Q_OS_UNIX
bool socketAddress(const QString& path, sockaddr_un* address)
{
    const QByteArray bytes = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (bytes.size() >= qsizetype(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// Asks the window listening at path to come forward; the request is the
// connection itself.
void askToComeForward(const QString& path)
{
    sockaddr_un address;
    if (!socketAddress(path, &address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Nothing is written: the open window may close the connection before a
    // write could land, and a write to a closed socket would end this process.
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
}
#endif

} // namespace

OneWindowPerStore::OneWindowPerStore(const QString& storePath, QObject* parent)
    : QObject(parent), lock_(storePath + QStringLiteral(".window")), socketPath_(socketPathFor(storePath))
{
    lock_.setStaleLockTime(0); // held for the window's whole life: only a dead holder is stale
}

OneWindowPerStore::~OneWindowPerStore()
{
#ifdef Q_OS_UNIX
    if (listener_ >= 0) {
        delete notifier_;
        ::close(listener_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
#endif
}

bool OneWindowPerStore::anotherWindowIsOpen()
{
    QDir().mkpath(QFileInfo(lock_.fileName()).absolutePath());
    if (!lock_.tryLock(0)) {
        if (lock_.error() != QLockFile::LockFailedError)
            return false; // no place for the lock: a store there cannot be written anyway
#ifdef Q_OS_UNIX
        askToComeForward(socketPath_);
#endif
        return true;
    }
    listen();
    return false;
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
    // We hold the lock, so a socket file left there belongs to a holder that died.
    ::unlink(address.sun_path);
    const mode_t oldMask = ::umask(0077); // only this user may ask
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    listener_ = fd;
    notifier_ = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &OneWindowPerStore::acceptRequests);
#endif
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
