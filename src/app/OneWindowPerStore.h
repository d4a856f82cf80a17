#pragma once

// One options window per store. Two windows on the same store would each
// write their own view of it (both adding "account 2", say), so a second
// start brings the open window to the front and ends instead.
//
// Both are keyed to the file that holds the store, links followed, so that
// two configuration folders linking to one store file are one store. The
// first start holds an advisory lock on "<store file>.window" for as long as
// it runs; the system lets go of it when the process ends, however it ends,
// so whatever a lock file holds (nothing, garbage, another host's name, a
// process id now used by another program) never keeps a window from opening
// when nobody holds it. The open window listens on a local socket in a folder
// only this user can enter; a later start that finds the lock held asks
// through the socket, for a short time at most, for the window to come
// forward. When no window answers, or the lock cannot be made at all, the
// start ends with a reason for the user instead of opening a second window
// unseen. The socket is a plain Unix-domain socket watched by the event
// loop, so the program needs no network library for it.

#include "StoreProblem.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLockFile;
class QSocketNotifier;

namespace app {

class OneWindowPerStore : public QObject
{
    Q_OBJECT

public:
    // storeFile's folder must exist: none is made here, so that nothing is
    // left where a store could not be (a Wine prefix that is not there).
    explicit OneWindowPerStore(const QString& storeFile, QObject* parent = nullptr);
    ~OneWindowPerStore() override;

    // True when this start must not open a window: another window on this
    // store is open and has been asked to come to the front, or, when
    // startProblem() says why, no window could be claimed for the store.
    bool anotherWindowIsOpen();
    // Why this start cannot open a window (no problem when it may, or when
    // the open window came forward), and what the user is told it could not do.
    settings::StoreProblem startProblem() const { return problem_; }
    QString startHeadline() const { return headline_; }
    // The window to bring to the front when a later start asks.
    // The window to bring forward; from then on requests are answered
    // (the claim may come before the application object).
    void setWindow(QWidget* window);
    // Where the open window listens; "" when no private folder was found.
    QString socketPath() const { return socketPath_; }

signals:
    void broughtToFront();

private:
    enum class Claim { Held, HeldElsewhere, Impossible };
    Claim claimLock(settings::StoreProblem* problem);
    enum class Reach { CameForward, LockTaken, NoAnswer, LockImpossible };
    // Asks the window holding the lock to come forward until it does or the
    // time is up; takes the lock instead when its holder ends meanwhile.
    Reach reachOpenWindow(settings::StoreProblem* problem);
    void cannotClaim(const settings::StoreProblem& problem);
    void bringToFront();
    void listen();
    void acceptRequests();
    void watchListener();

    QString storeFile_;
    QString lockPath_;
    QString socketPath_;
    settings::StoreProblem problem_;
    QString headline_;
    int lockFd_ = -1;
    std::unique_ptr<QLockFile> portableLock_; // where there is no advisory lock
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QPointer<QWidget> window_;
};

} // namespace app
