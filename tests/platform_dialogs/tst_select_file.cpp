// SelectFile driven through the real dialog, offscreen: what the dialog looks
// like when it opens, what it returns, what it refuses, and that it leaves
// nothing behind in the configuration folder.

#include "CommonDialogs.h"
#include "FilePreviewPane.h"
#include "ModalAnswers.h"
#include "Module1.h"
#include "StoreFiles.h"
#include "TestFiles.h"
#include "TestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>

using namespace dialogs::test;
using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

// The WAV picker's request, as the options window makes it.
const QString WavDescription = u"WAVﾌｧｲﾙ"_s;
const QString WavTitle = u"WAVﾌｧｲﾙの選択"_s;

QString wavFilter()
{
    return WavDescription + QChar(u'\0') + u"*.wav";
}

// Waits until the dialog's model has listed folder, so row counts and indexes are final.
bool waitForListing(QFileDialog* dialog, const QString& folder)
{
    auto* model = dialog->findChild<QFileSystemModel*>();
    if (!model)
        return false;
    bool loaded = false;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, dialog, [&loaded, folder](const QString& d) {
        if (QDir(d) == QDir(folder))
            loaded = true;
    });
    return QTest::qWaitFor([&] { return loaded || (model->rowCount(model->index(folder)) > 0); }, 10000);
}

} // namespace

class TestSelectFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString wav_;
    QString damagedWav_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        const QDir dir(dir_.path());
        wav_ = writeFile(dir, u"tone.wav"_s, pcmWav(1, 8000, 16, 4000));
        damagedWav_ = writeFile(dir, u"broken.wav"_s, QByteArray("RIFF\x10\0\0\0WAVEjunk", 16));
        QVERIFY(!writeFile(dir, u"notes.txt"_s, "not a sound").isEmpty());
        QVERIFY(!writeFile(dir, u"LOUD.WAV"_s, pcmWav(1, 8000, 8, 8)).isEmpty());
        QVERIFY(dir.mkpath(u"Msagent/chars"_s));
    }

    void dialogOpensAsRequested()
    {
        QWidget owner;
        owner.show();
        QString title, nameFilter, folder;
        QStringList nameFilters;
        int typeEntries = -1, listed = -1;
        bool qtDialog = false, existingFileMode = false, ownedByCaller = false, windowModal = false;
        bool checkBoxes = true, paneBesideList = false, listingDone = false;

        whenModal<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            nameFilters = d->nameFilters();
            auto* types = d->findChild<QComboBox*>(u"fileTypeCombo"_s);
            typeEntries = types->count();
            nameFilter = types->currentText();
            folder = d->directory().absolutePath();
            qtDialog = d->testOption(QFileDialog::DontUseNativeDialog);
            existingFileMode = d->fileMode() == QFileDialog::ExistingFile;
            ownedByCaller = d->parentWidget() == &owner;
            windowModal = d->windowModality() == Qt::WindowModal;
            checkBoxes = !d->findChildren<QCheckBox*>().isEmpty();
            auto* pane = d->findChild<dialogs::FilePreviewPane*>();
            // The splitter holds the sidebar and the file list.
            auto* files = d->findChild<QSplitter*>(u"splitter"_s);
            paneBesideList = pane && files && pane->isVisible() &&
                             pane->geometry().left() >= files->geometry().right() &&
                             pane->geometry().intersects(QRect(pane->x(), files->y(), 1, files->height()));
            listingDone = waitForListing(d, dir_.path());
            auto* model = d->findChild<QFileSystemModel*>();
            listed = model->rowCount(model->index(dir_.path()));
            d->reject();
        });
        const QString chosen = Module1::SelectFile(&owner, wavFilter(), dir_.path(), WavTitle);

        QCOMPARE(chosen, QString());
        QCOMPARE(title, WavTitle);
        QCOMPARE(nameFilters, QStringList{WavDescription + u" (*.wav)"});
        QCOMPARE(typeEntries, 1);
        QCOMPARE(nameFilter, WavDescription + u" (*.wav)");
        QCOMPARE(folder, QDir(dir_.path()).absolutePath());
        QVERIFY(qtDialog);
        QVERIFY(existingFileMode);
        QVERIFY(ownedByCaller);
        QVERIFY(windowModal);
        QVERIFY2(!checkBoxes, "the dialog must not offer a read-only check box");
        QVERIFY(paneBesideList);
        QVERIFY(listingDone);
        // The three WAV files, whatever the case of their suffix, and the
        // folder; the text file is filtered out.
        QCOMPARE(listed, 4);
    }

    void choosingAFileReturnsItsFullPath()
    {
        whenModal<QFileDialog>([&](QFileDialog* d) { typeAndAccept(d, wav_); });
        QCOMPARE(Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle), wav_);
    }

    void closingFromTheTitleBarChoosesNothing()
    {
        whenModal<QFileDialog>([](QFileDialog* d) {
            d->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(u"tone.wav"_s);
            d->close();
        });
        QCOMPARE(Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle), QString());
    }

    void typedNamesMustExist_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("missing file") << u"missing.wav"_s;
        QTest::newRow("file in a missing folder") << u"nowhere/tone.wav"_s;
        QTest::newRow("missing absolute path") << u"/no/such/place/x.wav"_s;
    }
    void typedNamesMustExist()
    {
        QFETCH(QString, typed);
        bool openEnabled = true, stillOpen = false, thenAccepted = false;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            typeAndAccept(d, typed);
            openEnabled = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->isEnabled();
            stillOpen = d->isVisible();
            // The same dialog still takes an existing file afterwards.
            typeAndAccept(d, wav_);
            thenAccepted = !d->isVisible();
        });
        const QString chosen = Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle);
        QVERIFY(stillOpen);
        QVERIFY(!openEnabled);
        QVERIFY(thenAccepted);
        QCOMPARE(chosen, wav_);
    }

    void typedFolderNameOpensTheFolder()
    {
        QString folder;
        bool stillOpen = false;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            typeAndAccept(d, u"Msagent"_s);
            stillOpen = d->isVisible();
            folder = d->directory().absolutePath();
            d->reject();
        });
        QCOMPARE(Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle), QString());
        QVERIFY(stillOpen);
        QCOMPARE(folder, QDir(dir_.path()).absoluteFilePath(u"Msagent"_s));
    }

    void initialFolderWithBackslashes_data()
    {
        QTest::addColumn<QString>("initialDir");
        // The agent picker appends "\Msagent\chars" to the data folder.
        QTest::newRow("appended backslash folder") << dir_.path() + u"\\Msagent\\chars";
        QTest::newRow("doubled and trailing") << dir_.path() + u"\\\\Msagent\\chars\\";
        QTest::newRow("mixed") << dir_.path() + u"/Msagent\\chars/";
    }
    void initialFolderWithBackslashes()
    {
        QFETCH(QString, initialDir);
        QString folder;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            folder = d->directory().absolutePath();
            d->reject();
        });
        Module1::SelectFile(nullptr, wavFilter(), initialDir, WavTitle);
        QCOMPARE(folder, QDir(dir_.path()).absoluteFilePath(u"Msagent/chars"_s));
    }

    void missingInitialFolderLeavesTheChoiceToQt_data()
    {
        QTest::addColumn<QString>("initialDir");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << dir_.path() + u"\\no such folder";
        QTest::newRow("a file") << wav_;
    }
    void missingInitialFolderLeavesTheChoiceToQt()
    {
        QFETCH(QString, initialDir);
        QString folder;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            folder = d->directory().absolutePath();
            d->reject();
        });
        QCOMPARE(Module1::SelectFile(nullptr, wavFilter(), initialDir, WavTitle), QString());
        QVERIFY(QFileInfo(folder).isDir());
    }

    void longPathsAreReturnedWhole()
    {
        QString deep = dir_.path();
        for (int i = 0; i < 8; ++i)
            deep += u"/folder-with-a-rather-long-name-" + QString::number(i);
        QVERIFY(QDir().mkpath(deep));
        const QString path = writeFile(QDir(deep), u"sound-with-a-long-name.wav"_s, pcmWav(1, 8000, 8, 80));
        QVERIFY(path.toLocal8Bit().size() > 300);

        whenModal<QFileDialog>([&](QFileDialog* d) { typeAndAccept(d, path); });
        QCOMPARE(Module1::SelectFile(nullptr, wavFilter(), deep, WavTitle), path);
    }

    void previewFollowsTheCurrentFile()
    {
        QString wavText, damagedText;
        bool playEnabled = false;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            waitForListing(d, dir_.path());
            auto* list = d->findChild<QListView*>(u"listView"_s);
            auto* model = qobject_cast<QFileSystemModel*>(list->model());
            auto* pane = d->findChild<dialogs::FilePreviewPane*>();
            auto* text = pane->findChild<QLabel*>(u"previewText"_s);
            list->setCurrentIndex(model->index(wav_));
            wavText = text->text();
            playEnabled = pane->findChild<QPushButton*>(u"previewPlay"_s)->isEnabled();
            list->setCurrentIndex(model->index(damagedWav_));
            damagedText = text->text();
            d->reject();
        });
        Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle);
        QVERIFY2(wavText.contains(u"PCM"_s) && wavText.contains(u"0.50"_s), qPrintable(wavText));
        QVERIFY(playEnabled);
        QCOMPARE(damagedText, dialogs::FilePreviewPane::cannotPreviewText());
    }

    void storeLocationUnaffectedWhileOpen()
    {
        // The store is an INI file in the same configuration folder that Qt's
        // dialogs are kept away from while they are open.
        const auto storeFile = [] { return Module1::StoreFilePath(); };
        const QString before = storeFile();
        QString during;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            during = storeFile();
            d->reject();
        });
        Module1::SelectFile(nullptr, wavFilter(), dir_.path(), WavTitle);
        QCOMPARE(during, before);
        QCOMPARE(storeFile(), before);
        QCOMPARE(QSettings(QSettings::UserScope, u"QtProject"_s).fileName(),
                 QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(u"QtProject.conf"_s));
    }

    // Runs last: after every opening above, Qt must not have left a settings
    // file of its own (history, last folder, column widths).
    void leavesNothingInTheConfigFolder()
    {
        QVERIFY(!qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty());
        QCOMPARE(configFolderEntries(), QStringList());
    }
};

QUORVIX_TEST_MAIN(TestSelectFile)
#include "tst_select_file.moc"
