// The file pickers, the version notice and the character preview of the file
// dialog, driven through the real dialogs.

#include "AcsBuilder.h"
#include "ApplicationSetup.h"
#include "CharacterFilePreview.h"
#include "CommonDialogs.h"
#include "DropDownList.h"
#include "FilePreview.h"
#include "ModalAnswers.h"
#include "StoreFiles.h"
#include "TestMain.h"
#include "VersionNotice.h"
#include "optionform.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

struct SeenFileDialog
{
    QString title;
    QString folder;
    QStringList filters;
};

// Answers the next open-file dialog: types path and opens it, or cancels when path is empty.
std::shared_ptr<SeenFileDialog> answerFileDialog(const QString& path)
{
    auto seen = std::make_shared<SeenFileDialog>();
    whenModal<QFileDialog>([seen, path](QFileDialog* dialog) {
        seen->title = dialog->windowTitle();
        seen->folder = dialog->directory().absolutePath();
        seen->filters = dialog->nameFilters();
        if (path.isEmpty())
            dialog->reject();
        else
            typeAndAccept(dialog, path);
    });
    return seen;
}

// A character file named Kotori with one picture per animation, in the palette colours 1, 2, ...
QByteArray characterFile(const QStringList& animations)
{
    agent::test::TestCharacter c = agent::test::characterWith(animations);
    c.name = u"Kotori"_s;
    return agent::test::buildAcs(c);
}

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

    QTemporaryDir files_;
    std::unique_ptr<optionform> form_;

    optionform* openOptions()
    {
        form_ = std::make_unique<optionform>();
        {
            // A missing default character is warned about while loading; not the subject here.
            MessageBoxAnswerer warnings;
            form_->show();
        }
        return form_.get();
    }

private slots:
    void initTestCase()
    {
        app::setUpApplication(*qApp);
        QVERIFY(files_.isValid());
    }

    void init() { removeStoreFile(); }

    void cleanup()
    {
        rejectAllModals();
        form_.reset();
    }

    // --- WAV and mail programs -------------------------------------------------

    void theWavPickerFillsOnlyItsBox()
    {
        optionform* f = openOptions();
        const QString wav = writeFile(files_.path(), u"chime.wav"_s, QByteArray("RIFF"));
        f->Wavbox->setText(files_.path()); // a typed path does not move the dialog
        f->Mailerbox[1]->setText(u"mailer1"_s);
        auto seen = answerFileDialog(wav);
        QTest::mouseClick(f->Command2, Qt::LeftButton);

        QCOMPARE(seen->title, u"WAVﾌｧｲﾙの選択"_s);
        QCOMPARE(seen->folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());
        QCOMPARE(seen->filters.size(), 1);
        QVERIFY(seen->filters.first().startsWith(u"WAVﾌｧｲﾙ"_s));
        QVERIFY(seen->filters.first().contains(u"*.wav"_s));
        QCOMPARE(f->Wavbox->text(), wav);
        QCOMPARE(f->Mailerbox[1]->text(), u"mailer1"_s);
        QCOMPARE(f->Options.WavPath, QString()); // nothing is taken before OK
    }

    void cancellingAPickerLeavesItsBox()
    {
        optionform* f = openOptions();
        f->Wavbox->setText(u"kept.wav"_s);
        auto wav = answerFileDialog(QString());
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QVERIFY(!wav->title.isEmpty());
        QCOMPARE(f->Wavbox->text(), u"kept.wav"_s);

        f->Mailerbox[2]->setText(u"kept.exe"_s);
        auto mailer = answerFileDialog(QString());
        QTest::mouseClick(f->RefBt[2], Qt::LeftButton);
        QVERIFY(!mailer->title.isEmpty());
        QCOMPARE(f->Mailerbox[2]->text(), u"kept.exe"_s);
    }

    void eachMailerPickerFillsItsOwnBox_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("RefBt(1)") << 1;
        QTest::newRow("RefBt(2)") << 2;
    }

    void eachMailerPickerFillsItsOwnBox()
    {
        QFETCH(int, index);
        optionform* f = openOptions();
        const QString exe = writeFile(files_.path(), u"mailer.exe"_s, QByteArray("MZ"));
        f->Mailerbox[1]->setText(u"one"_s);
        f->Mailerbox[2]->setText(u"two"_s);
        auto seen = answerFileDialog(exe);
        QTest::mouseClick(f->RefBt[std::size_t(index)], Qt::LeftButton);

        QCOMPARE(seen->title, u"ﾒｰﾗｰの選択"_s);
        QCOMPARE(seen->folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());
        QVERIFY(seen->filters.first().startsWith(u"ｱﾌﾟﾘｹｰｼｮﾝ"_s));
        QVERIFY(seen->filters.first().contains(u"*.exe"_s));
        QCOMPARE(f->Mailerbox[std::size_t(index)]->text(), exe);
        QCOMPARE(f->Mailerbox[std::size_t(3 - index)]->text(), index == 1 ? u"two"_s : u"one"_s);
    }

    // --- The agent -------------------------------------------------------------

    void theAgentPickerLoadsTheCharacterWithTheStoredChoices()
    {
        const QString chosen =
            writeFile(files_.path(), u"kotori.acs"_s, characterFile({u"Wave"_s, u"Bow"_s}));
        // The stored choices: "Bow" for the first template.
        Module1::WriteSetting(u"Actkind1"_s, u"Bow"_s);
        QVERIFY(Module1::SyncSettings());
        optionform* f = openOptions();
        const QString agentBefore = f->AgentBox->text();

        // Cancel first: nothing changes.
        auto cancelled = answerFileDialog(QString());
        QTest::mouseClick(f->Command3, Qt::LeftButton);
        QCOMPARE(cancelled->title, u"エージェントの選択"_s);
        QVERIFY(cancelled->filters.first().startsWith(u"エージェント"_s));
        QVERIFY(cancelled->filters.first().contains(u"*.acs"_s));
        const QString charsFolder = Module1::ToLocalPath(Module1::WindowsDirectory() + u"\\Msagent\\chars"_s);
        if (QFileInfo(charsFolder).isDir())
            QCOMPARE(cancelled->folder, QDir(charsFolder).absolutePath());
        QCOMPARE(f->AgentBox->text(), agentBefore);

        auto seen = answerFileDialog(chosen);
        QTest::mouseClick(f->Command3, Qt::LeftButton);
        QCOMPARE(f->AgentBox->text(), chosen);
        QCOMPARE(f->Options.AgentPath, chosen);
        QVERIFY(f->AgentCharacter);
        controls::DropDownList* first = f->Combo1[0];
        QVERIFY(first->findText(u"Wave"_s) >= 0);
        QCOMPARE(first->currentText(), u"Bow"_s);

        // The user picks another animation; choosing the file again goes back to the stored choice.
        first->setCurrentIndex(first->findText(u"Wave"_s));
        auto again = answerFileDialog(chosen);
        QTest::mouseClick(f->Command3, Qt::LeftButton);
        QCOMPARE(f->Combo1[0]->currentText(), u"Bow"_s);

        // Cancelling now leaves the loaded character and the lists alone.
        f->Combo1[0]->setCurrentIndex(f->Combo1[0]->findText(u"Wave"_s));
        auto cancelledAgain = answerFileDialog(QString());
        QTest::mouseClick(f->Command3, Qt::LeftButton);
        QCOMPARE(f->Combo1[0]->currentText(), u"Wave"_s);
        QCOMPARE(f->Options.AgentPath, chosen);
    }

    // --- The version notice ----------------------------------------------------

    void theVersionNoticeShowsTheProgramsVersion()
    {
        QCOMPARE(options::versionNotice(1, 4, 2), u"Quorvix LAN Ver.1.42"_s);
        QCOMPARE(options::versionNotice(1, 10, 0), u"Quorvix LAN Ver.1.100"_s);

        optionform* f = openOptions();
        auto seen = answerMessageBox();
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(seen->shown);
        QCOMPARE(seen->title, u"ﾊﾞｰｼﾞｮﾝ情報"_s);
        // It names the store the window edits, the INI file too.
        QVERIFY(seen->text.startsWith(
            options::versionNotice(QUORVIX_VERSION_MAJOR, QUORVIX_VERSION_MINOR, QUORVIX_VERSION_PATCH)));
        QVERIFY(seen->text.endsWith(u"設定ﾌｧｲﾙ\r\n"_s + Module1::StoreFilePath()));
        QCOMPARE(seen->icon, QMessageBox::NoIcon);
        QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // Wide enough for a window manager's bold title between the window
        // icon and up to three title-bar buttons.
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY2(seen->width >= QFontMetrics(bold).horizontalAdvance(seen->title) +
                                    4 * f->style()->pixelMetric(QStyle::PM_TitleBarHeight),
                 qPrintable(QString::number(seen->width)));
    }

    // --- The character preview ---------------------------------------------------

    void theDialogPreviewsACharacterAtRest()
    {
        const QString path =
            writeFile(files_.path(), u"rest.acs"_s, characterFile({u"Wave"_s, u"RestPose"_s, u"Bow"_s}));
        // Registered when the program set itself up.
        const std::optional<dialogs::FilePreview> preview = dialogs::previewFile(path);
        QVERIFY(preview);
        QCOMPARE(preview->lines.value(0), u"名前: Kotori"_s);
        QCOMPARE(preview->picture.size(), QSize(8, 6));
        // RestPose shows palette colour 2 (green); Wave would show 1 (red).
        QCOMPARE(preview->picture.pixelColor(3, 3).rgb(), QColor(0x00FF00).rgb());
    }

    void withoutARestPoseTheFirstAnimationIsShown()
    {
        const QString path = writeFile(files_.path(), u"norest.acs"_s, characterFile({u"Wave"_s, u"Bow"_s}));
        const std::optional<dialogs::FilePreview> preview = app::characterFilePreview(path);
        QVERIFY(preview);
        QCOMPARE(preview->picture.pixelColor(3, 3).rgb(), QColor(0xFF0000).rgb());
    }

    void aDamagedCharacterFileIsNotPreviewed()
    {
        QByteArray bytes = characterFile({u"Wave"_s});
        bytes.truncate(bytes.size() / 2);
        const QString path = writeFile(files_.path(), u"damaged.acs"_s, bytes);
        QVERIFY(!dialogs::previewFile(path));
    }

    void aRealCharacterIsPreviewedByItsName()
    {
        const QString dir = quorvix::test::realCharactersDir();
        if (dir.isEmpty())
            QSKIP("no real character files on this machine");
        const QStringList files = QDir(dir).entryList({u"*.acs"_s}, QDir::Files);
        if (files.isEmpty())
            QSKIP("no real character files on this machine");
        const std::optional<dialogs::FilePreview> preview =
            dialogs::previewFile(QDir(dir).filePath(files.first()));
        QVERIFY(preview);
        QVERIFY(preview->lines.value(0).size() > 4);
        QVERIFY(!preview->picture.isNull());
    }
};

QUORVIX_TEST_MAIN(TestPickers)
#include "tst_pickers.moc"
