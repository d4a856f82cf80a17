// The pure parts of the platform dialogs: backslash paths, the data folder,
// the filter text and the WAV header reader.

#include "CommonDialogs.h"
#include "DataDirectory.h"
#include "FileFilter.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WavInfo.h"

#include <QBuffer>

using namespace dialogs::test;
using namespace Qt::StringLiterals;

class TestDialogHelpers : public QObject
{
    Q_OBJECT

private slots:
    void localPath_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("local");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("default agent")
            << u"/opt/q\\Msagent\\chars\\Pipwren.acs"_s << u"/opt/q/Msagent/chars/Pipwren.acs"_s;
        QTest::newRow("mixed separators") << u"/opt/q/\\Msagent/chars"_s << u"/opt/q/Msagent/chars"_s;
        QTest::newRow("doubled backslashes") << u"/opt\\\\q\\\\chars"_s << u"/opt/q/chars"_s;
        QTest::newRow("trailing backslash") << u"/opt/q\\Msagent\\chars\\"_s << u"/opt/q/Msagent/chars"_s;
        QTest::newRow("trailing slashes") << u"/opt/q//"_s << u"/opt/q"_s;
        QTest::newRow("root stays root") << u"\\"_s << u"/"_s;
        QTest::newRow("relative") << u"chars\\a.acs"_s << u"chars/a.acs"_s;
        QTest::newRow("plain path untouched") << u"/home/u/a b.wav"_s << u"/home/u/a b.wav"_s;
    }
    void localPath()
    {
        QFETCH(QString, stored);
        QFETCH(QString, local);
        QCOMPARE(Module1::ToLocalPath(stored), local);
    }

    void dataDirectoryPrefersTheInstalledFolder()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"prefix/bin"_s));
        QVERIFY(QDir(root.path()).mkpath(u"prefix/share/quorvix-options/Msagent/chars"_s));
        QVERIFY(QDir(root.path()).mkpath(u"build/share/quorvix-options"_s));
        const QString found =
            dialogs::dataDirectoryFor(root.filePath(u"prefix/bin"_s), u"../share/quorvix-options"_s,
                                      root.filePath(u"build/share/quorvix-options"_s));
        QCOMPARE(found, root.filePath(u"prefix/share/quorvix-options"_s));
    }

    void dataDirectoryFallsBackToTheBuildTree()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"build/bin"_s));
        QVERIFY(QDir(root.path()).mkpath(u"build/share/quorvix-options"_s));
        const QString build = root.filePath(u"build/share/quorvix-options"_s);
        QCOMPARE(dialogs::dataDirectoryFor(root.filePath(u"build/bin/sub"_s), u"../share/quorvix-options"_s,
                                           build + u'/'),
                 build);
        // Neither exists: the installed location, so a missing file is
        // reported under the folder an installation would use.
        QCOMPARE(dialogs::dataDirectoryFor(root.filePath(u"bin"_s), u"../share/none"_s,
                                           root.filePath(u"nowhere"_s)),
                 root.filePath(u"share/none"_s));
    }

    void windowsDirectoryOfThisBuild()
    {
        const QString dir = Module1::WindowsDirectory();
        QVERIFY(!dir.endsWith(u'/'));
        QVERIFY(!dir.endsWith(u'\\'));
        QCOMPARE(dir, QDir::cleanPath(QStringLiteral(QUORVIX_BUILD_DATA_DIR)));
        // The pickers append a backslash folder to it.
        QVERIFY(QFileInfo(Module1::ToLocalPath(dir + u"\\Msagent\\chars")).isDir());
    }

    void nameFilter_data()
    {
        QTest::addColumn<QString>("filterText");
        QTest::addColumn<QString>("nameFilter");
        const QChar nul(u'\0');
        QTest::newRow("description and pattern") << (u"Sounds"_s + nul + u"*.wav") << u"Sounds (*.wav)"_s;
        QTest::newRow("closing NULs ignored")
            << (u"Sounds"_s + nul + u"*.wav" + nul + nul) << u"Sounds (*.wav)"_s;
        QTest::newRow("several patterns") << (u"Media"_s + nul + u"*.wav;*.mid") << u"Media (*.wav *.mid)"_s;
        QTest::newRow("second entry dropped")
            << (u"A"_s + nul + u"*.a" + nul + u"B" + nul + u"*.b") << u"A (*.a)"_s;
        QTest::newRow("bare pattern") << u"*.exe"_s << u"*.exe (*.exe)"_s;
        QTest::newRow("empty") << QString() << u"* (*)"_s;
    }
    void nameFilter()
    {
        QFETCH(QString, filterText);
        QFETCH(QString, nameFilter);
        QCOMPARE(dialogs::nameFilterFromFilterText(filterText), nameFilter);
    }

    void wavHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<qint64>("durationMs");

        QTest::newRow("pcm mono") << pcmWav(1, 8000, 16, 12000) << 1 << 8000 << 16 << 1 << qint64(1500);
        QTest::newRow("pcm stereo 8-bit")
            << pcmWav(2, 11025, 8, 11025) << 1 << 11025 << 8 << 2 << qint64(1000);
        QTest::newRow("chunks before fmt, odd padding")
            << riff(chunk("LIST", QByteArray(5, 'x')) + chunk("fmt ", pcmFmt(1, 1000, 8)) +
                    chunk("data", QByteArray(500, '\0')))
            << 1 << 1000 << 8 << 1 << qint64(500);
        // Stereo MS ADPCM at 22050 Hz, 1024-byte blocks of 1012 frames; the
        // fact chunk holds the exact length.
        const QByteArray adpcmExtra = u16(1012) + u16(7) + QByteArray(28, '\0');
        QTest::newRow("ms adpcm with fact")
            << riff(chunk("fmt ", fmtBody(2, 2, 22050, 4, 1024, 22311, adpcmExtra)) +
                    chunk("fact", u32(44100)) + chunk("data", QByteArray(2048, '\0')))
            << 2 << 22050 << 4 << 2 << qint64(2000);
        QTest::newRow("ms adpcm without fact")
            << riff(chunk("fmt ", fmtBody(2, 1, 10120, 4, 512, 5120, adpcmExtra)) +
                    chunk("data", QByteArray(5120, '\0')))
            << 2 << 10120 << 4 << 1 << qint64(1000);
        const QByteArray extensible = u16(16) + u32(4) + u16(1) + QByteArray(14, '\x11');
        QTest::newRow("extensible pcm")
            << riff(chunk("fmt ", fmtBody(0xFFFE, 1, 4000, 16, 2, 8000, extensible)) +
                    chunk("data", QByteArray(8000, '\0')))
            << 1 << 4000 << 16 << 1 << qint64(1000);
        QByteArray cut = pcmWav(1, 1000, 8, 2000);
        cut.chop(1000);
        QTest::newRow("cut-off data times what is there") << cut << 1 << 1000 << 8 << 1 << qint64(1000);
    }
    void wavHeaders()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const auto info = dialogs::readWavInfo(buffer);
        QVERIFY(info);
        QTEST(int(info->formatTag), "tag");
        QTEST(int(info->sampleRate), "rate");
        QTEST(int(info->bitsPerSample), "bits");
        QTEST(int(info->channels), "channels");
        QTEST(info->durationMs, "durationMs");
    }

    void damagedWavHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not riff") << QByteArray("RIFX\0\0\0\0WAVE", 12);
        QTest::newRow("riff but not wave") << riff({}).replace(8, 4, "AVI ");
        QTest::newRow("no fmt") << riff(chunk("data", QByteArray(10, '\0')));
        QTest::newRow("no data") << riff(chunk("fmt ", pcmFmt(1, 8000, 16)));
        QTest::newRow("short fmt") << riff(chunk("fmt ", QByteArray(10, '\1')) +
                                           chunk("data", QByteArray(4, '\0')));
        QTest::newRow("zero channels")
            << riff(chunk("fmt ", fmtBody(1, 0, 8000, 16, 2, 16000)) + chunk("data", QByteArray(4, '\0')));
        QTest::newRow("zero rate") << riff(chunk("fmt ", fmtBody(1, 1, 0, 16, 2, 0)) +
                                           chunk("data", QByteArray(4, '\0')));
        QTest::newRow("zero block size")
            << riff(chunk("fmt ", fmtBody(1, 1, 8000, 16, 0, 16000)) + chunk("data", QByteArray(4, '\0')));
        QTest::newRow("chunk size past the end") << riff(QByteArray("fmt ") + u32(0xFFFFFFF0));
        QByteArray many;
        for (int i = 0; i < 1000; ++i)
            many += chunk("junk", {});
        QTest::newRow("endless tiny chunks")
            << riff(many + chunk("fmt ", pcmFmt(1, 8000, 8)) + chunk("data", QByteArray(8, '\0')));
    }
    void damagedWavHeaders()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(!dialogs::readWavInfo(buffer));
    }

    void wavFormatNames()
    {
        QCOMPARE(dialogs::wavFormatName(1), u"PCM"_s);
        QCOMPARE(dialogs::wavFormatName(2), u"MS ADPCM"_s);
        QCOMPARE(dialogs::wavFormatName(0x1234), u"0x1234"_s);
    }
};

QUORVIX_TEST_MAIN_CORE(TestDialogHelpers)
#include "tst_dialog_helpers.moc"
