// The preview pane of the open-file dialog on its own: what it shows for
// sounds, character files, other files and damaged ones, and how other layers
// plug in their previews.

#include "FilePreview.h"
#include "FilePreviewPane.h"
#include "StoreFiles.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <stdexcept>

using namespace dialogs::test;
using namespace quorvix::test;
using namespace Qt::StringLiterals;
using dialogs::FilePreviewPane;

class TestFilePreview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = writeFile(dir_.path(), name, bytes);
        if (path.isEmpty())
            qFatal("cannot write test file");
        return path;
    }

    static QString textOf(const FilePreviewPane& pane)
    {
        return pane.findChild<QLabel*>(u"previewText"_s)->text();
    }
    static QPushButton* playOf(const FilePreviewPane& pane)
    {
        return pane.findChild<QPushButton*>(u"previewPlay"_s);
    }
    static bool hasPicture(const FilePreviewPane& pane)
    {
        return !pane.findChild<QLabel*>(u"previewPicture"_s)->pixmap().isNull();
    }

private slots:
    void pcmWavShowsFormatAndDurationAndOffersPlay()
    {
        FilePreviewPane pane;
        pane.showFile(write(u"chime.wav"_s, pcmWav(2, 8000, 16, 12000)));
        const QString text = textOf(pane);
        QVERIFY2(text.contains(u"形式: PCM"_s), qPrintable(text));
        QVERIFY(text.contains(u"8000 Hz"_s));
        QVERIFY(text.contains(u"ビット数: 16"_s));
        QVERIFY(text.contains(u"チャンネル数: 2 (ステレオ)"_s));
        QVERIFY(text.contains(u"長さ: 1.50 秒"_s));
        QVERIFY(playOf(pane)->isEnabled());
    }

    void upperCaseSuffixIsStillAWav()
    {
        FilePreviewPane pane;
        pane.showFile(write(u"LOUD.WAV"_s, pcmWav(1, 8000, 8, 8000)));
        QVERIFY(textOf(pane).contains(u"PCM"_s));
    }

    void longSoundShowsMinutes()
    {
        FilePreviewPane pane;
        pane.showFile(write(u"long.wav"_s, pcmWav(1, 100, 8, 100 * 125)));
        QVERIFY2(textOf(pane).contains(u"長さ: 2 分 5 秒"_s), qPrintable(textOf(pane)));
    }

    void adpcmWavIsDescribedButNotPlayable()
    {
        const QByteArray extra = u16(1012) + u16(7) + QByteArray(28, '\0');
        FilePreviewPane pane;
        pane.showFile(
            write(u"adpcm.wav"_s, riff(chunk("fmt ", fmtBody(2, 1, 22050, 4, 512, 11155, extra)) +
                                       chunk("fact", u32(22050)) + chunk("data", QByteArray(512, 0)))));
        QVERIFY(textOf(pane).contains(u"形式: MS ADPCM"_s));
        QVERIFY(textOf(pane).contains(u"長さ: 1.00 秒"_s));
        QVERIFY(!playOf(pane)->isEnabled());
    }

    void damagedFilesCannotBePreviewed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty wav") << u"empty.wav"_s << QByteArray();
        QTest::newRow("text named wav") << u"note.wav"_s << QByteArray("just some text");
        QTest::newRow("wav without data") << u"nodata.wav"_s << riff(chunk("fmt ", pcmFmt(1, 8000, 16)));
        QTest::newRow("not a character") << u"fake.acs"_s << QByteArray("MZ\x90\0 not an agent", 18);
        QTest::newRow("old-style character")
            << u"old.acs"_s << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    }
    void damagedFilesCannotBePreviewed()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        FilePreviewPane pane;
        pane.showFile(write(name, bytes));
        QCOMPARE(textOf(pane), FilePreviewPane::cannotPreviewText());
        QCOMPARE(textOf(pane), u"プレビューできません"_s);
        QVERIFY(!playOf(pane)->isEnabled());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void vanishedFileCannotBePreviewed()
    {
        FilePreviewPane pane;
        pane.showFile(dir_.filePath(u"gone.wav"_s));
        QCOMPARE(textOf(pane), FilePreviewPane::cannotPreviewText());
    }

    void otherFilesShowNameSizeAndDate()
    {
        const QString path = write(u"readme.txt"_s, QByteArray(1234, 'a'));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime stamp(QDate(2021, 3, 4), QTime(5, 6));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();

        FilePreviewPane pane;
        pane.showFile(path);
        QCOMPARE(textOf(pane), u"名前: readme.txt\nサイズ: 1,234 バイト\n更新日時: 2021/03/04 05:06"_s);
        QVERIFY(!playOf(pane)->isEnabled());
    }

    void characterFileShowsNameAndSizeUntilAReaderIsRegistered()
    {
        FilePreviewPane pane;
        pane.showFile(write(u"Pipwren.acs"_s, QByteArray("\xC3\xAB\xCD\xAB", 4) + QByteArray(96, '\0')));
        QCOMPARE(textOf(pane), u"名前: Pipwren\nサイズ: 100 バイト"_s);
    }

    void realCharacterFiles()
    {
        const QString charsDir = quorvix::test::realCharactersDir();
        if (charsDir.isEmpty())
            QSKIP("no real character files on this machine");
        const QStringList files = QDir(charsDir).entryList({u"*.acs"_s}, QDir::Files);
        QVERIFY(!files.isEmpty());
        FilePreviewPane pane;
        for (const QString& name : files) {
            pane.showFile(QDir(charsDir).filePath(name));
            QVERIFY2(textOf(pane).startsWith(u"名前: "_s), qPrintable(name));
        }
    }

    void folderShowsItsName()
    {
        FilePreviewPane pane;
        pane.showFile(dir_.path());
        QVERIFY(textOf(pane).startsWith(u"名前: "_s + QFileInfo(dir_.path()).fileName()));
        pane.showFile(QString());
        QVERIFY(textOf(pane).isEmpty());
    }

    void registeredProviderReplacesTheBuiltInPreview()
    {
        const QString path = write(u"Merle.acs"_s, QByteArray("\xC3\xAB\xCD\xAB", 4));
        QImage portrait(32, 48, QImage::Format_ARGB32);
        portrait.fill(Qt::red);
        dialogs::setPreviewProvider(u".ACS"_s, [portrait](const QString& file) {
            return std::optional<dialogs::FilePreview>(
                dialogs::FilePreview{{u"キャラクター: "_s + QFileInfo(file).fileName()}, portrait, false});
        });
        FilePreviewPane pane;
        pane.showFile(path);
        QCOMPARE(textOf(pane), u"キャラクター: Merle.acs"_s);
        QVERIFY(hasPicture(pane));

        // Moving on to a file without a picture clears the old one.
        pane.showFile(write(u"x.txt"_s, "x"));
        QVERIFY(!hasPicture(pane));

        dialogs::setPreviewProvider(u"acs"_s, [](const QString&) -> std::optional<dialogs::FilePreview> {
            throw std::runtime_error("reader failed");
        });
        pane.showFile(path);
        QCOMPARE(textOf(pane), FilePreviewPane::cannotPreviewText());

        dialogs::setPreviewProvider(u"acs"_s, {});
        pane.showFile(path);
        QCOMPARE(textOf(pane), u"名前: Merle\nサイズ: 4 バイト"_s);
    }

    void playWithoutSoundDeviceIsQuiet()
    {
        // Whatever the machine's sound setup, Play must neither raise a box
        // nor fail; without a device nothing is heard.
        FilePreviewPane pane;
        pane.showFile(write(u"beep.wav"_s, pcmWav(1, 8000, 8, 800)));
        QVERIFY(playOf(pane)->isEnabled());
        QTest::mouseClick(playOf(pane), Qt::LeftButton);
        QTest::mouseClick(playOf(pane), Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::activeModalWidget());
        pane.showFile(write(u"other.txt"_s, "x")); // stops playback
        QVERIFY(!playOf(pane)->isEnabled());
    }
};

QUORVIX_TEST_MAIN(TestFilePreview)
#include "tst_file_preview.moc"
