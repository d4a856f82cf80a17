#pragma once

// One options window per store. Two windows on the same store would each
// write their own view of it (both adding "account 2", say), so a second
// start brings the open window to the front and ends instead.
//
// The first start holds a lock file beside the store for as long as it runs
// (a crashed holder is noticed by its process id) and listens on a local
// socket named after the store; a later start that finds the lock held asks
// through the socket for the window to come forward. The socket is a plain
// Unix-domain socket watched by the event loop, so the program needs no
// network library for it.

#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QSocketNotifier;

namespace app {

class OneWindowPerStore : public QObject
{
    Q_OBJECT

public:
    explicit OneWindowPerStore(const QString& storePath, QObject* parent = nullptr);
    ~OneWindowPerStore() override;

    // True when another window on this store is open; it has been asked to
    // come to the front and this start should end.
    bool anotherWindowIsOpen();
    // The window to bring to the front when a later start asks.
    void setWindow(QWidget* window) { window_ = window; }

signals:
    void broughtToFront();

private:
    void bringToFront();
    void listen();
    void acceptRequests();

    QLockFile lock_;
    QString socketPath_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QPointer<QWidget> window_;
};

} // namespace app
