// The store file's device on this system's kernel: what it says of a plain
// writer holding the file open, of a file renamed over the path before our
// replace, and of a write into the file we replaced. The other program is
// played with descriptors of this process, step by step.

#include "IniFileDevice.h"
#include "PlainWriter.h"
#include "TestMain.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace settings;
using namespace quorvix::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kOurs = "[setting]\nTalkcnt=3\n"_ba;
// Of another length than ours: a write in place within the same clock tick
// is told apart by its size.
const QByteArray kTheirs = "[setting]\nDefLeft=20\n"_ba;

QString devicePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/device.ini"_s;
}

// A plain writer's descriptor on path, opened with truncation.
struct HeldOpen
{
    explicit HeldOpen(const QString& path)
        : fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC))
    {}
    ~HeldOpen() { close(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fd;
};

bool alwaysCurrent()
{
    return true;
}

} // namespace

class IniFileDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir().mkpath(QFileInfo(devicePath()).absolutePath());
        writeInPlace(devicePath(), "[setting]\nDefLeft=1\n"_ba);
        device_ = makeIniFileDevice(devicePath());
        QVERIFY(device_->open(&problem_));
    }

    void aWriterHoldingTheFileOpenIsSeen()
    {
        QByteArray bytes;
        Writers writers = Writers::Unknown;
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        if (writers == Writers::Unknown)
            QSKIP("this file system or user gets no read lease: the device says it does not know");
        QCOMPARE(writers, Writers::None);
        HeldOpen writer(devicePath());
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        QCOMPARE(writers, Writers::Present);
        QVERIFY(bytes.isEmpty());
        writeBytes(writer.fd, kTheirs);
        writer.close();
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        QCOMPARE(writers, Writers::None);
        QCOMPARE(bytes, kTheirs);
    }

    void aFileRenamedOverThePathIsTheOneDisplaced()
    {
        QByteArray bytes;
        Writers writers = Writers::Unknown;
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        const QString theirs = devicePath() + u".theirs"_s;
        writeInPlace(theirs, kTheirs);
        QCOMPARE(
            std::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(devicePath()).constData()),
            0);
        QVERIFY(!device_->pathShowsKept());
        const Replaced replaced = device_->replace(kOurs, 0600, alwaysCurrent, &problem_);
        if (replaced == Replaced::Done)
            QSKIP("this file system cannot exchange two files in one step");
        QCOMPARE(replaced, Replaced::Displaced);
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        QCOMPARE(bytes, kTheirs);
        QCOMPARE(readPlainly(devicePath()), kOurs);
        QVERIFY(device_->pathShowsOurs());
        QCOMPARE(QDir(QFileInfo(devicePath()).absolutePath()).entryList({u"device.ini.*"_s}), QStringList());
    }

    void aWriteIntoTheReplacedFileIsSeenThroughIt()
    {
        QByteArray bytes;
        Writers writers = Writers::Unknown;
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        HeldOpen writer(devicePath());
        QCOMPARE(device_->replace(kOurs, 0600, alwaysCurrent, &problem_), Replaced::Done);
        writeBytes(writer.fd, kTheirs);
        QVERIFY(device_->read(&bytes, &writers, &problem_));
        QCOMPARE(bytes, kTheirs);
        QVERIFY(writers != Writers::None);
        QVERIFY(device_->pathShowsOurs());
        writeInPlace(devicePath(), kTheirs); // and now over ours, in place
        QVERIFY(!device_->pathShowsOurs());
    }

private:
    std::unique_ptr<IniFileDevice> device_;
    StoreProblem problem_;
};

QUORVIX_TEST_MAIN_CORE(IniFileDeviceTest)
#include "tst_inifiledevice.moc"
