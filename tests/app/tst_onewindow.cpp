// One options window per store: a second start finds the open window, asks
// it to come forward and ends; a window that has ended frees the store.

#include "Module1.h"
#include "OneWindowPerStore.h"
#include "TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

using app::OneWindowPerStore;

class OneWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void secondStartBringsTheOpenWindowForward()
    {
        OneWindowPerStore first(Module1::StoreIdentityFile());
        QVERIFY(!first.anotherWindowIsOpen());
        QWidget window;
        window.show();
        first.setWindow(&window);
        QSignalSpy forward(&first, &OneWindowPerStore::broughtToFront);
        {
            OneWindowPerStore second(Module1::StoreFilePath());
            QVERIFY(second.anotherWindowIsOpen());
        }
        QTRY_COMPARE(forward.size(), 1);
        OneWindowPerStore otherStore(Module1::StoreFilePath() + QStringLiteral(".other"));
        QVERIFY(!otherStore.anotherWindowIsOpen());
    }

    // Whatever a lock file left behind says, nobody holds it: the start opens
    // its window, and then holds the lock itself.
    void leftoverLockFileIsTakenOver_data()
    {
        QTest::addColumn<QByteArray>("leftover");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x01\xff not a lock");
        QTest::newRow("another host") << QByteArray("4242\nquorvix-options\nfar-away-host\n");
        QTest::newRow("a running program's id") << QByteArray::number(qlonglong(::getpid())) + "\n" +
                                                       QCoreApplication::applicationName().toUtf8() + "\n" +
                                                       QSysInfo::machineHostName().toUtf8() + "\n";
    }

    void leftoverLockFileIsTakenOver()
    {
        QFETCH(QByteArray, leftover);
        QFile lock(Module1::StoreIdentityFile() + u".window"_s);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(leftover);
        lock.close();
        OneWindowPerStore first(Module1::StoreIdentityFile());
        QVERIFY(!first.anotherWindowIsOpen());
        QVERIFY(!first.startProblem().isProblem());
        OneWindowPerStore second(Module1::StoreIdentityFile());
        QVERIFY(second.anotherWindowIsOpen());
    }

    // A window that holds the lock but listens only a moment later (it has
    // just started) is still reached: the second start asks again.
    void secondStartReachesAWindowThatListensLate()
    {
        OneWindowPerStore first(Module1::StoreIdentityFile());
        QVERIFY(!first.anotherWindowIsOpen());
        QSignalSpy forward(&first, &OneWindowPerStore::broughtToFront);
        const QByteArray socket = QFile::encodeName(first.socketPath());
        const QByteArray aside = socket + ".aside";
        QCOMPARE(::rename(socket.constData(), aside.constData()), 0);
        std::thread listensLate([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ::rename(aside.constData(), socket.constData());
        });
        OneWindowPerStore second(Module1::StoreIdentityFile());
        const bool open = second.anotherWindowIsOpen();
        listensLate.join();
        QVERIFY(open);
        QCOMPARE(second.startProblem().detail, QString());
        QTRY_COMPARE(forward.size(), 1);
    }

    // No second window opens unseen: a lock that cannot be made, or one
    // held where no window answers, ends the start with a reason.
    void startWithoutTheStoreIsRefusedWithAReason_data()
    {
        QTest::addColumn<bool>("lockIsAFolder");
        QTest::newRow("lock path is a folder") << true;
        QTest::newRow("held, nobody answers") << false;
    }

    void startWithoutTheStoreIsRefusedWithAReason()
    {
        QFETCH(bool, lockIsAFolder);
        const QString lockPath = Module1::StoreIdentityFile() + u".window"_s;
        OneWindowPerStore holder(Module1::StoreIdentityFile());
        if (lockIsAFolder) {
            QVERIFY(QDir().mkpath(lockPath));
        } else {
            QVERIFY(!holder.anotherWindowIsOpen());
            QVERIFY(QFile::remove(holder.socketPath()));
        }
        OneWindowPerStore start(Module1::StoreIdentityFile());
        QVERIFY(start.anotherWindowIsOpen());
        QVERIFY(start.startHeadline().contains(Module1::StoreIdentityFile()));
        QDir(lockPath).removeRecursively();
    }

    // The socket only in a folder of this user's with mode 0700; a full
    // queue at it makes a later start give up soon, not hang.
    void socketIsPrivateAndAskingIsBounded()
    {
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                          QFile::ReadOther | QFile::ExeOther));
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        OneWindowPerStore first(Module1::StoreIdentityFile());
        QVERIFY(!first.anotherWindowIsOpen());
        qputenv("XDG_RUNTIME_DIR", saved);
        QVERIFY(!first.socketPath().startsWith(runtime.path()));
        struct stat folder
        {};
        QCOMPARE(
            ::lstat(QFile::encodeName(QFileInfo(first.socketPath()).absolutePath()).constData(), &folder), 0);
        QCOMPARE(folder.st_uid, ::geteuid());
        QCOMPARE(folder.st_mode & 0777, mode_t(0700));

        // The window does not get to accept while this test runs: fill its queue.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(first.socketPath());
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        std::vector<int> waiting;
        for (int fd; waiting.size() < 1000;) {
            fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                ::close(fd);
                break;
            }
            waiting.push_back(fd);
        }
        QElapsedTimer asking;
        asking.start();
        OneWindowPerStore second(Module1::StoreIdentityFile());
        QVERIFY(second.anotherWindowIsOpen());
        QVERIFY(asking.elapsed() < 5'000);
        QCOMPARE(second.startProblem().kind, settings::StoreProblem::Kind::HeldByOther);
        for (const int fd : waiting)
            ::close(fd);
    }

    void endedWindowFreesTheStore()
    {
        {
            OneWindowPerStore first(Module1::StoreFilePath());
            QVERIFY(!first.anotherWindowIsOpen());
        }
        OneWindowPerStore next(Module1::StoreFilePath());
        QVERIFY(!next.anotherWindowIsOpen());
    }
};

QUORVIX_TEST_MAIN(OneWindowTest)
#include "tst_onewindow.moc"
