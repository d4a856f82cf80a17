// A Wine prefix seen without Wine: which store is chosen, whether a
// wineserver runs, and Windows paths mapped to the prefix's files and back.
// The prefixes are folders made here, laid out as Wine lays them out.

#include "SharedCpu.h"
#include "StoreChoice.h"
#include "TestMain.h"
#include "WinePrefix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace settings;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kKeySection = "\n[Software\\\\VB and VBA Program Settings\\\\wispane\\\\setting] 1\n"
                               "\"accountno\"=\"1\"\n";

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A prefix as wineboot leaves it: the two hives, drive_c, and the drives c: and z:.
void makePrefix(const QString& prefix, const QByteArray& userRegTail)
{
    writeFile(prefix + u"/system.reg"_s, "WINE REGISTRY Version 2\n");
    writeFile(prefix + u"/user.reg"_s, "WINE REGISTRY Version 2\n#arch=win64\n" + userRegTail);
    QVERIFY(QDir().mkpath(prefix + u"/drive_c/windows/Msagent/Chars"_s));
    QVERIFY(QDir().mkpath(prefix + u"/dosdevices"_s));
    QVERIFY(QFile::link(u"../drive_c"_s, prefix + u"/dosdevices/c:"_s));
    QVERIFY(QFile::link(u"/"_s, prefix + u"/dosdevices/z:"_s));
}

// The folder upstream Wine's server of prefix uses below base.
QString upstreamServerFolder(const QString& base, const QString& prefix)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(prefix).constData(), &info) != 0)
        return QString();
    return base + u"/.wine-%1/server-%2-%3"_s.arg(::getuid())
                      .arg(qulonglong(info.st_dev), 0, 16)
                      .arg(qulonglong(info.st_ino), 0, 16);
}

// A process other than this one holding the lock a wineserver holds; the
// lock is gone with the process.
class LockHolder
{
public:
    explicit LockHolder(const QString& lockPath)
    {
        const QByteArray path = QFile::encodeName(lockPath);
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
            struct flock lock
            {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_len = 1;
            const char done = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &done, 1);
            ::pause();
            ::_exit(0);
        }
        char done = 'n';
        (void)!::read(ready[0], &done, 1);
        ::close(ready[0]);
        ::close(ready[1]);
        locked_ = done == 'y';
    }
    ~LockHolder()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool locked() const { return locked_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool locked_ = false;
};

} // namespace

class WinePrefixTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString prefix_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        prefix_ = dir_.filePath(u"prefix"_s);
        makePrefix(prefix_, kKeySection);
        writeFile(prefix_ + u"/drive_c/windows/Msagent/Chars/Merlin.acs"_s, "ACS");
    }

    // --- Which store ---------------------------------------------------------

    void theStoreIsChosen_data()
    {
        QTest::addColumn<QString>("prefix"); // below the temporary folder; "" leaves WINEPREFIX unset
        QTest::addColumn<QString>("storeVariable");
        QTest::addColumn<bool>("wine");
        QTest::addColumn<QString>("chosenPrefix");
        QTest::newRow("WINEPREFIX holding the key") << u"prefix"_s << QString() << true << u"prefix"_s;
        QTest::newRow("~/.wine holding the key") << QString() << QString() << true << u"home/.wine"_s;
        QTest::newRow("a prefix without the key") << u"bare"_s << QString() << false << QString();
        QTest::newRow("no prefix there") << u"nothing"_s << QString() << false << QString();
        QTest::newRow("half a prefix") << u"half"_s << QString() << false << QString();
        QTest::newRow("copies of the two registry files") << u"twofiles"_s << QString() << false << QString();
        QTest::newRow("the INI file asked for") << u"prefix"_s << u"ini"_s << false << QString();
        QTest::newRow("Wine asked for, no key yet") << u"bare"_s << u"wine"_s << true << u"bare"_s;
        QTest::newRow("an unknown choice") << u"prefix"_s << u"registry"_s << true << u"prefix"_s;
    }

    void theStoreIsChosen()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, storeVariable);
        QFETCH(bool, wine);
        QFETCH(QString, chosenPrefix);
        const QString home = dir_.filePath(u"home"_s);
        if (!QFileInfo::exists(home)) {
            makePrefix(home + u"/.wine"_s, kKeySection);
            makePrefix(dir_.filePath(u"bare"_s), "\n[Software\\\\Wine] 1\n");
            writeFile(dir_.filePath(u"half/user.reg"_s), "WINE REGISTRY Version 2\n" + kKeySection);
            writeFile(dir_.filePath(u"twofiles/system.reg"_s), "WINE REGISTRY Version 2\n");
            writeFile(dir_.filePath(u"twofiles/user.reg"_s), "WINE REGISTRY Version 2\n" + kKeySection);
        }
        const StoreChoice choice =
            ChooseStore(prefix.isEmpty() ? QString() : dir_.filePath(prefix), storeVariable, home);
        QCOMPARE(choice.wineRegistry, wine);
        QCOMPARE(choice.winePrefix, chosenPrefix.isEmpty() ? QString() : dir_.filePath(chosenPrefix));
        // Choosing looks only: nothing is made where there was no prefix.
        QVERIFY(!QFileInfo::exists(dir_.filePath(u"nothing"_s)));
    }

    void aPrefixNamesWhatItLacks()
    {
        const QString folder = dir_.filePath(u"lacking"_s);
        writeFile(folder + u"/user.reg"_s, "WINE REGISTRY Version 2\n");
        QCOMPARE(MissingPrefixParts(folder), (QStringList{u"drive_c"_s, u"dosdevices"_s, u"system.reg"_s}));
        QCOMPARE(MissingPrefixParts(prefix_), QStringList());
    }

    // Beside a running wineserver the key may be only in Wine's memory:
    // Wine's answer decides, unless nothing here can ask it.
    void aRunningServerLeavesTheKeyToWine()
    {
        const QString prefix = dir_.filePath(u"running"_s);
        makePrefix(prefix, "\n[Software\\\\Wine] 1\n");
        const QString tmpdir = dir_.filePath(u"tmpdir"_s);
        const QString folder = upstreamServerFolder(tmpdir, prefix);
        QVERIFY(QDir().mkpath(folder));
        qputenv("TMPDIR", QFile::encodeName(tmpdir));
        const LockHolder server(folder + u"/lock"_s);
        QVERIFY(server.locked());
        const StoreChoice asked = ChooseStore(prefix, QString(), dir_.filePath(u"home"_s));
        QVERIFY(asked.wineRegistry && asked.keyToBeAskedOfWine);
        QCOMPARE(asked.winePrefix, prefix);
        QVERIFY(!ChooseStore(prefix, QString(), dir_.filePath(u"home"_s), false).wineRegistry);
        qunsetenv("TMPDIR");
    }

    // A mail checker in a prefix manager's prefix is named, not silently replaced.
    void prefixManagersPrefixesAreFound()
    {
        const QString home = dir_.filePath(u"managed-home"_s);
        makePrefix(home + u"/.local/share/wineprefixes/mail"_s, kKeySection);
        makePrefix(home + u"/Games/game"_s, "\n[Software\\\\Wine] 1\n");
        writeFile(home + u"/.PlayOnLinux/wineprefix/copies/user.reg"_s, kKeySection);
        const StoreChoice choice = ChooseStore(QString(), QString(), home);
        QVERIFY(!choice.wineRegistry);
        QCOMPARE(choice.otherPrefixesWithKey, QStringList{home + u"/.local/share/wineprefixes/mail"_s});
        QCOMPARE(ChooseStore(QString(), u"ini"_s, home).otherPrefixesWithKey, QStringList());
        makePrefix(home + u"/.wine"_s, kKeySection);
        QCOMPARE(ChooseStore(dir_.filePath(u"bare"_s), QString(), home).otherPrefixesWithKey,
                 (QStringList{home + u"/.wine"_s, home + u"/.local/share/wineprefixes/mail"_s}));
    }

    // Wine updates a prefix whose recorded wine.inf time is not its own.
    void wineWouldUpdateAPrefixOfAnotherBuild_data()
    {
        QTest::addColumn<QByteArray>("stamp"); // "-" for no stamp file
        QTest::addColumn<bool>("wouldUpdate");
        QTest::newRow("this build") << QByteArray("1676758571\n") << false;
        QTest::newRow("another build") << QByteArray("1600000000\n") << true;
        QTest::newRow("updates disabled") << QByteArray("disable\n") << false;
        QTest::newRow("never recorded") << QByteArray("-") << true;
    }

    void wineWouldUpdateAPrefixOfAnotherBuild()
    {
        QFETCH(QByteArray, stamp);
        QFETCH(bool, wouldUpdate);
        const QString wine = dir_.filePath(u"build/bin/wine"_s);
        writeFile(wine, "#!/bin/sh\n");
        const QString wineInf = dir_.filePath(u"build/share/wine/wine.inf"_s);
        writeFile(wineInf, "[Version]\n");
        QFile inf(wineInf);
        QVERIFY(inf.open(QIODevice::ReadWrite));
        QVERIFY(
            inf.setFileTime(QDateTime::fromSecsSinceEpoch(1676758571), QFileDevice::FileModificationTime));
        QFile::remove(prefix_ + u"/.update-timestamp"_s);
        if (stamp != "-")
            writeFile(prefix_ + u"/.update-timestamp"_s, stamp);
        QCOMPARE(CheckPrefixUpdate(prefix_, wine).wouldUpdate, wouldUpdate);
        QVERIFY(!CheckPrefixUpdate(prefix_, dir_.filePath(u"elsewhere/wine"_s)).wouldUpdate);
        QFile::remove(prefix_ + u"/.update-timestamp"_s);
    }

    // --- A running wineserver ------------------------------------------------

    void theServerLockTellsWhetherWineRuns()
    {
        QCOMPARE(ProbeWineServer(prefix_), WineServerState::Stopped);
        // Debian's Wine keeps its server folder under a name the prefix records.
        QTemporaryDir serverBase(QDir::tempPath() + u"/wine-XXXXXX"_s);
        QVERIFY(serverBase.isValid());
        writeFile(prefix_ + u"/wineserver"_s, QFileInfo(serverBase.path()).fileName().toLocal8Bit());
        struct stat info
        {};
        QCOMPARE(::stat(QFile::encodeName(prefix_).constData(), &info), 0);
        const QString folder =
            serverBase.path() +
            u"/server-%1-%2"_s.arg(qulonglong(info.st_dev), 0, 16).arg(qulonglong(info.st_ino), 0, 16);
        QVERIFY(QDir().mkpath(folder));
        {
            const LockHolder server(folder + u"/lock"_s);
            QVERIFY(server.locked());
            QCOMPARE(ProbeWineServer(prefix_), WineServerState::Running);
        }
        // The lock file stays when the server ends; its lock does not.
        QCOMPARE(ProbeWineServer(prefix_), WineServerState::Stopped);
        QFile::remove(prefix_ + u"/wineserver"_s);
        QCOMPARE(ProbeWineServer(dir_.filePath(u"nothing"_s)), WineServerState::Unknown);
        // Upstream's layout, below $TMPDIR as the per-user temporary folders have it.
        const QString tmpdir = dir_.filePath(u"usertmp"_s);
        const QString upstream = upstreamServerFolder(tmpdir, prefix_);
        QVERIFY(QDir().mkpath(upstream));
        qputenv("TMPDIR", QFile::encodeName(tmpdir));
        {
            const LockHolder server(upstream + u"/lock"_s);
            QVERIFY(server.locked());
            QCOMPARE(ProbeWineServer(prefix_), WineServerState::Running);
            QCOMPARE(WineServerProcess(prefix_), server.pid());
        }
        QCOMPARE(WineServerProcess(prefix_), pid_t(0));
        qunsetenv("TMPDIR");
    }

    // The server shares one CPU with the helper during a call, and gets its
    // own CPU set back after it.
    void aCallPinsTheServerToOneCpuAndGivesItBack()
    {
        if (QThread::idealThreadCount() < 2)
            QSKIP("one CPU: there is nothing to share");
        const LockHolder server(dir_.filePath(u"serverlock"_s));
        QVERIFY(server.locked());
        cpu_set_t before;
        QCOMPARE(::sched_getaffinity(server.pid(), sizeof before, &before), 0);
        cpu_set_t ours;
        QCOMPARE(::sched_getaffinity(0, sizeof ours, &ours), 0);
        int last = CPU_SETSIZE - 1;
        while (!CPU_ISSET(last, &ours))
            --last;
        for (const int asked : {-1, last}) {
            {
                const SharedCpu shared(server.pid(), asked);
                QVERIFY(shared.cpu() >= 0);
                QVERIFY(asked < 0 || shared.cpu() == asked);
                cpu_set_t during;
                QCOMPARE(::sched_getaffinity(server.pid(), sizeof during, &during), 0);
                QCOMPARE(CPU_COUNT(&during), 1);
                QVERIFY(CPU_ISSET(shared.cpu(), &during));
            }
            cpu_set_t after;
            QCOMPARE(::sched_getaffinity(server.pid(), sizeof after, &after), 0);
            QVERIFY(CPU_EQUAL(&before, &after));
        }
        QCOMPARE(SharedCpu(0).cpu(), -1);
    }

    // What Wine starts from a helper started on the shared CPU inherits the
    // pin and gets this program's CPU set back; other processes keep theirs.
    void processesWineStartedMeanwhileGetTheirCpusBack()
    {
        if (QThread::idealThreadCount() < 2)
            QSKIP("one CPU: there is nothing to share");
        const QString wineLike = dir_.filePath(u"wine-service"_s);
        QVERIFY(QFile::copy(u"/bin/sleep"_s, wineLike));
        const LockHolder server(dir_.filePath(u"serverlock"_s));
        QVERIFY(server.locked());
        const auto startPinned = [](const QString& program, int cpu) {
            const pid_t child = ::fork();
            if (child == 0) {
                SharedCpu::pinCallingThread(cpu);
                ::execl(QFile::encodeName(program).constData(), "service", "30", nullptr);
                ::_exit(127);
            }
            return child;
        };
        pid_t service = 0;
        pid_t other = 0;
        {
            SharedCpu shared(server.pid());
            QVERIFY(shared.cpu() >= 0);
            shared.helperStarting();
            service = startPinned(wineLike, shared.cpu());
            other = startPinned(u"/bin/sleep"_s, shared.cpu());
            const auto runs = [](pid_t child, const QString& program) {
                return QFileInfo(u"/proc/%1/exe"_s.arg(child)).symLinkTarget() ==
                       QFileInfo(program).canonicalFilePath();
            };
            QTRY_VERIFY(runs(service, wineLike) && runs(other, u"/bin/sleep"_s));
        }
        cpu_set_t ours, ofService, ofOther;
        QCOMPARE(::sched_getaffinity(0, sizeof ours, &ours), 0);
        QCOMPARE(::sched_getaffinity(service, sizeof ofService, &ofService), 0);
        QCOMPARE(::sched_getaffinity(other, sizeof ofOther, &ofOther), 0);
        for (const pid_t child : {service, other}) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        QVERIFY(CPU_EQUAL(&ofService, &ours));
        QCOMPARE(CPU_COUNT(&ofOther), 1);
    }

    // --- Windows paths ---------------------------------------------------------

    void windowsPathsNameThePrefixsFiles_data()
    {
        QTest::addColumn<QString>("windowsPath");
        QTest::addColumn<QString>("local"); // "@" stands for the prefix
        QTest::newRow("exact case") << u"C:\\windows\\Msagent\\Chars\\Merlin.acs"_s
                                    << u"@/dosdevices/c:/windows/Msagent/Chars/Merlin.acs"_s;
        QTest::newRow("any case") << u"c:\\WINDOWS\\msagent\\chars\\merlin.ACS"_s
                                  << u"@/dosdevices/c:/windows/Msagent/Chars/Merlin.acs"_s;
        QTest::newRow("slashes, dots, doubled separators")
            << u"C:/windows//./system\\..\\msagent\\chars\\merlin.acs"_s
            << u"@/dosdevices/c:/windows/Msagent/Chars/Merlin.acs"_s;
        QTest::newRow("a missing file keeps its name")
            << u"C:\\windows\\msagent\\Pipwren.acs"_s << u"@/dosdevices/c:/windows/Msagent/Pipwren.acs"_s;
        QTest::newRow("below a missing folder")
            << u"C:\\Nowhere\\Sub\\x.acs"_s << u"@/dosdevices/c:/Nowhere/Sub/x.acs"_s;
        QTest::newRow("the root drive") << u"Z:\\tmp"_s << u"@/dosdevices/z:/tmp"_s;
        QTest::newRow("an unmapped drive") << u"Q:\\x.acs"_s << u"@/dosdevices/q:/x.acs"_s;
        QTest::newRow("no drive path") << u"\\\\server\\share\\x.acs"_s << QString();
        QTest::newRow("a Unix path") << u"/usr/share/x.acs"_s << QString();
    }

    void windowsPathsNameThePrefixsFiles()
    {
        QFETCH(QString, windowsPath);
        QFETCH(QString, local);
        local.replace(u'@', prefix_);
        QCOMPARE(WindowsPathToUnix(prefix_, windowsPath), local);
    }

    void localFilesGetTheirWindowsPath_data()
    {
        QTest::addColumn<QString>("local"); // "@" stands for the prefix
        QTest::addColumn<QString>("windowsPath");
        QTest::newRow("below drive_c") << u"@/drive_c/windows/Msagent/Chars/Merlin.acs"_s
                                       << u"C:\\windows\\Msagent\\Chars\\Merlin.acs"_s;
        QTest::newRow("through the drive's link") << u"@/dosdevices/c:/windows"_s << u"C:\\windows"_s;
        QTest::newRow("elsewhere, below Z:")
            << u"/usr/share/sounds/mail.wav"_s << u"Z:\\usr\\share\\sounds\\mail.wav"_s;
        QTest::newRow("drive_c itself") << u"@/drive_c"_s << u"C:\\"_s;
    }

    void localFilesGetTheirWindowsPath()
    {
        QFETCH(QString, local);
        QFETCH(QString, windowsPath);
        local.replace(u'@', prefix_);
        QCOMPARE(UnixPathToWindows(prefix_, local), windowsPath);
    }

    // --- Before anything is read ----------------------------------------------

    // The one-window lock's key comes without reading the store: beside a
    // running wineserver, whose answer would decide the store, no Wine runs.
    void theLockKeyIsKnownWithoutRunningWine()
    {
        const QString tmpdir = dir_.filePath(u"locktmp"_s);
        const QString folder = upstreamServerFolder(tmpdir, prefix_);
        QVERIFY(QDir().mkpath(folder));
        const QString wine = dir_.filePath(u"recording/wine"_s);
        writeFile(wine, "#!/bin/sh\ntouch \"$0.ran\"\n");
        QVERIFY(QFile::setPermissions(wine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("TMPDIR", QFile::encodeName(tmpdir));
        qputenv("WINEPREFIX", QFile::encodeName(prefix_));
        qputenv("WINE", QFile::encodeName(wine));
        qputenv("QUORVIX_REGISTRY_HELPER", QFile::encodeName(wine));
        qunsetenv("QUORVIX_STORE");
        const LockHolder server(folder + u"/lock"_s);
        QVERIFY(server.locked());
        QCOMPARE(ChosenStoreFile(), QFileInfo(prefix_ + u"/user.reg"_s).canonicalFilePath());
        QVERIFY(CurrentStoreChoice().keyToBeAskedOfWine);
        QVERIFY(!QFileInfo::exists(wine + u".ran"_s));
    }

    void aPrefixWithoutZGivesZAnyway()
    {
        const QString prefix = dir_.filePath(u"noz"_s);
        QVERIFY(QDir().mkpath(prefix + u"/dosdevices"_s));
        QCOMPARE(UnixPathToWindows(prefix, u"/srv/mail.wav"_s), u"Z:\\srv\\mail.wav"_s);
    }
};

QUORVIX_TEST_MAIN_CORE(WinePrefixTest)
#include "tst_wineprefix.moc"
