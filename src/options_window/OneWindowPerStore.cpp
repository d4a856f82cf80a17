#include "OneWindowPerStore.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace quorvix {

namespace {

constexpr int kAnswerWaitMs = 2'000;

// Per user and per store, so that stores of other users or folders do not meet.
QString serverNameFor(const QString& storePath)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFileInfo(storePath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("quorvix-options-%1-%2").arg(QDir::home().dirName(), QString::fromLatin1(hash));
}

} // namespace

OneWindowPerStore::OneWindowPerStore(const QString& storePath, QObject* parent)
    : QObject(parent), m_lock(storePath + QStringLiteral(".window")), m_serverName(serverNameFor(storePath))
{
    m_lock.setStaleLockTime(0); // held for the window's whole life: only a dead holder is stale
}

OneWindowPerStore::~OneWindowPerStore() = default;

bool OneWindowPerStore::anotherWindowIsOpen()
{
    QDir().mkpath(QFileInfo(m_lock.fileName()).absolutePath());
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError)
            return false; // no place for the lock: a store there cannot be written anyway
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(kAnswerWaitMs)) {
            socket.write("front\n");
            socket.waitForBytesWritten(kAnswerWaitMs);
            socket.disconnectFromServer();
        }
        return true;
    }
    // A socket left by a holder that died would keep the name taken.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            bringToFront();
        }
    });
    m_server->listen(m_serverName);
    return false;
}

void OneWindowPerStore::bringToFront()
{
    // A modal account window stays in front of the options window.
    QWidget* window = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_window.data();
    if (window) {
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
    }
    emit broughtToFront();
}

} // namespace quorvix
