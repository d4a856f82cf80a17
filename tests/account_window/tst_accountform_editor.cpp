// The account window driven as a user drives it: loading an account, the
// colour swatches, OK for a new and an edited account, Cancel, and the
// refusals that keep a bad or unstorable account off the disk.

#include "AccountTestSupport.h"
#include "ColorSwatch.h"
#include "TestMain.h"
#include "accountform.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

constexpr qint32 kLightCyan = 16777088;

// Clicks a swatch and answers the colour chooser: a colour to choose, or
// nothing to cancel.
void chooseColour(controls::ColorSwatch* swatch, std::optional<QColor> colour)
{
    auto answered = whenModal<QColorDialog>([colour](QColorDialog* dialog) {
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        if (colour) {
            dialog->setCurrentColor(*colour);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        } else {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        }
    });
    QTest::mouseClick(swatch, Qt::LeftButton);
    QVERIFY(*answered);
}

} // namespace

class TestAccountEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<controls::FlexGrid> grid_;
    std::unique_ptr<accountform> form_;

    // A fresh window on the grid, opened for adding (no account) or for editing row n.
    accountform* open(std::optional<qint16> editRow)
    {
        form_ = std::make_unique<accountform>();
        form_->setAccountList(grid_.get());
        if (editRow) {
            Module1::EditMode = 1;
            Module1::SelectedRow = *editRow;
            grid_->setRow(*editRow);
            form_->intoform(*editRow);
        } else {
            Module1::EditMode = 0;
        }
        form_->show();
        if (!QTest::qWaitForWindowExposed(form_.get()))
            qWarning("account window not exposed");
        return form_.get();
    }

    // Three stored accounts, listed in the grid.
    void threeAccounts()
    {
        prepareAccounts(3);
        fillGridFromStore(*grid_);
    }

private slots:
    void init()
    {
        grid_ = std::make_unique<controls::FlexGrid>();
        prepareAccounts(0);
        Module1::SelectedRow = 0;
    }

    void cleanup()
    {
        rejectAllModals();
        form_.reset();
        grid_.reset();
    }

    // --- Opening -------------------------------------------------------------

    void newWindowKeepsOkDisabledUntilAServerIsTyped()
    {
        accountform* f = open(std::nullopt);
        QCOMPARE(f->Portbox->text(), u"110"_s);
        QVERIFY(f->Check1->isChecked());
        QCOMPARE(f->Colorbox->BackColor(), 0);
        QCOMPARE(f->Colorbox2->BackColor(), kLightCyan);
        QVERIFY(!f->Command1->isEnabled());
        QTest::keyClicks(f->Hostname, u"p"_s);
        QVERIFY(f->Command1->isEnabled());
        retype(f->Hostname, QString());
        QVERIFY(!f->Command1->isEnabled());
    }

    void intoformShowsTheStoredAccountWithOkEnabled()
    {
        threeAccounts();
        // A stored account without a server can still be confirmed.
        Module1::WriteSetting(u"Hname2"_s, QString());
        QVERIFY(Module1::SyncSettings());
        accountform* f = open(2);
        const Module1::AccountRecordType expected = sampleAccount(2);
        QCOMPARE(f->Accountname->text(), expected.Aname);
        QCOMPARE(f->Hostname->text(), QString());
        QCOMPARE(f->Portbox->text(), QString::number(expected.Portno));
        QCOMPARE(f->UserName->text(), expected.Uname);
        QCOMPARE(f->MailPassWord->text(), expected.Passw);
        QCOMPARE(f->Check1->isChecked(), expected.Check != 0);
        QCOMPARE(f->Colorbox->BackColor(), expected.Scolor1);
        QCOMPARE(f->Colorbox2->BackColor(), expected.Scolor2);
        QVERIFY(f->Command1->isEnabled());
    }

    void intoformTicksAnyNonZeroCheckValue()
    {
        threeAccounts();
        Module1::WriteSetting(u"Check1"_s, u"5"_s);
        QVERIFY(Module1::SyncSettings());
        QVERIFY(open(1)->Check1->isChecked());
    }

    // The box shows ticked or not; a stored value it cannot show is kept
    // only while the user leaves the box alone.
    void okKeepsAStoredCheckTheUserLeftAlone_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("stored");
        QTest::newRow("left alone") << 0 << u"2"_s;
        QTest::newRow("cleared") << 1 << u"0"_s;
        QTest::newRow("cleared and ticked again") << 2 << u"1"_s;
    }

    void okKeepsAStoredCheckTheUserLeftAlone()
    {
        QFETCH(int, clicks);
        QFETCH(QString, stored);
        threeAccounts();
        Module1::WriteSetting(u"Check1"_s, u"2"_s);
        QVERIFY(Module1::SyncSettings());
        accountform* f = open(1);
        for (int i = 0; i < clicks; ++i)
            f->Check1->click();
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(!f->isVisible());
        QCOMPARE(storeFileContents().value(u"Check1"_s), stored);
    }

    // --- OK for a new account --------------------------------------------------

    void addWithAnEmptyNameStoresUserAtServer()
    {
        accountform* f = open(std::nullopt);
        QTest::keyClicks(f->Hostname, u"mail.example.jp"_s);
        QTest::keyClicks(f->UserName, u"taro"_s);
        QTest::keyClicks(f->MailPassWord, u"secret"_s);
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        QVERIFY(!f->isVisible());
        QCOMPARE(f->result(), int(QDialog::Accepted));
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Aname1"_s), u"taro@mail.example.jp"_s);
        QCOMPARE(disk.value(u"Hname1"_s), u"mail.example.jp"_s);
        QCOMPARE(disk.value(u"Portno1"_s), u"110"_s);
        QCOMPARE(disk.value(u"Passw1"_s), Module1::EncodePassword(u"secret"_s));
        QCOMPARE(disk.value(u"Check1"_s), u"1"_s);
        QCOMPARE(disk.value(u"Scolor21"_s), u"16777088"_s);
        // The count is on disk at once, so the options window's Cancel cannot lose the account.
        QCOMPARE(disk.value(u"accountno"_s), u"1"_s);
        QCOMPARE(Module1::AccountCount, qint16(1));
        QCOMPARE(grid_->Rows(), 2);
        QCOMPARE(grid_->TextMatrix(1, 0), u"taro@mail.example.jp(mail.example.jp)"_s);
        QCOMPARE(grid_->TextMatrix(1, 1), u"○"_s);
        QCOMPARE(grid_->Row(), 1);
        QCOMPARE(Module1::SelectedRow, qint16(1));
    }

    void addAsTheFourthAccount()
    {
        threeAccounts();
        const StoreMap before = storeFileContents();
        accountform* f = open(std::nullopt);
        QTest::keyClicks(f->Accountname, u"Fourth"_s);
        QTest::keyClicks(f->Hostname, u"pop4"_s);
        QTest::mouseClick(f->Check1, Qt::LeftButton);
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Aname4"_s), u"Fourth"_s);
        QCOMPARE(disk.value(u"Check4"_s), u"0"_s);
        QCOMPARE(disk.value(u"Uname4"_s), u"0"_s); // an empty text is stored as "0"
        QCOMPARE(disk.value(u"accountno"_s), u"4"_s);
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(diskAccount(disk, k), diskAccount(before, k));
        QCOMPARE(Module1::AccountCount, qint16(4));
        QCOMPARE(grid_->Rows(), 5);
        QCOMPARE(grid_->Row(), 4);
        QCOMPARE(Module1::SelectedRow, qint16(4));
        QCOMPARE(grid_->TextMatrix(4, 0), u"Fourth(pop4)"_s);
        QCOMPARE(grid_->TextMatrix(4, 1), u"×"_s);
        QCOMPARE(grid_->cellBackColorAt(4, 0), kLightCyan);
        QCOMPARE(grid_->cellBackColorAt(4, 1), kLightCyan);
        QCOMPARE(grid_->cellForeColorAt(4, 1), 0);
    }

    void addIsRefusedOnceTheCountIsFull()
    {
        Module1::AccountCount = 32767;
        const QByteArray before = readStoreFile();
        accountform* f = open(std::nullopt);
        QTest::keyClicks(f->Hostname, u"pop"_s);
        auto seen = answerMessageBox();
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(seen->shown);
        QVERIFY(f->isVisible());
        QCOMPARE(readStoreFile(), before);
        QCOMPARE(Module1::AccountCount, qint16(32767));
        QCOMPARE(grid_->Rows(), 1);
    }

    // --- OK for an edited account --------------------------------------------

    void editingRowTwoRewritesOnlyThatRowAndAccount()
    {
        threeAccounts();
        const StoreMap before = storeFileContents();
        accountform* f = open(2);
        retype(f->Accountname, u"Renamed"_s);
        retype(f->Portbox, u"995"_s);
        f->Check1->setChecked(true);
        QTest::mouseClick(f->Check1, Qt::LeftButton); // cleared by the user
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        QVERIFY(!f->isVisible());
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Aname2"_s), u"Renamed"_s);
        QCOMPARE(disk.value(u"Portno2"_s), u"995"_s);
        QCOMPARE(disk.value(u"Check2"_s), u"0"_s);
        QCOMPARE(disk.value(u"Passw2"_s), before.value(u"Passw2"_s));
        QCOMPARE(disk.value(u"accountno"_s), u"3"_s);
        QCOMPARE(diskAccount(disk, 1), diskAccount(before, 1));
        QCOMPARE(diskAccount(disk, 3), diskAccount(before, 3));
        QVERIFY(!disk.contains(u"Aname4"_s));
        QCOMPARE(grid_->Rows(), 4);
        QCOMPARE(grid_->TextMatrix(2, 0), u"Renamed(pop2.example.jp)"_s);
        QCOMPARE(grid_->TextMatrix(2, 1), u"×"_s);
        QCOMPARE(grid_->TextMatrix(1, 0), u"Acc1(pop1.example.jp)"_s);
        QCOMPARE(grid_->Row(), 2);
        QCOMPARE(Module1::AccountCount, qint16(3));
    }

    void editingWithoutAnAccountRowAddsTheFirstAccount()
    {
        // The list is empty, so Edit opened the window with intoform(0).
        accountform* f = open(0);
        QCOMPARE(f->Accountname->text(), QString());
        QCOMPARE(f->Portbox->text(), u"110"_s);
        QCOMPARE(f->Colorbox2->BackColor(), kLightCyan);
        QVERIFY(f->Command1->isEnabled());
        QTest::keyClicks(f->Hostname, u"first"_s);
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Hname1"_s), u"first"_s);
        QCOMPARE(disk.value(u"Aname1"_s), u"@first"_s);
        QCOMPARE(disk.value(u"accountno"_s), u"1"_s);
        QVERIFY(!disk.contains(u"Hname0"_s));
        QCOMPARE(Module1::AccountCount, qint16(1));
        QCOMPARE(Module1::SelectedRow, qint16(1));
        QCOMPARE(grid_->Rows(), 2);
        QCOMPARE(grid_->Row(), 1);
    }

    // --- Colours ---------------------------------------------------------------

    void cancellingTheChooserChangesNothingAndBlackIsZero()
    {
        threeAccounts();
        accountform* f = open(3);
        const Module1::AccountRecordType expected = sampleAccount(3);
        chooseColour(f->Colorbox, std::nullopt);
        QCOMPARE(f->Colorbox->BackColor(), expected.Scolor1);
        QCOMPARE(Module1::AccountRecord.Scolor1, expected.Scolor1);

        chooseColour(f->Colorbox2, QColor(0, 0, 0));
        QCOMPARE(f->Colorbox2->BackColor(), 0);
        QCOMPARE(Module1::AccountRecord.Scolor2, 0);
        chooseColour(f->Colorbox, QColor(0x12, 0x34, 0x56));
        QCOMPARE(f->Colorbox->BackColor(), 0x563412);

        QTest::mouseClick(f->Command1, Qt::LeftButton);
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Scolor23"_s), u"0"_s);
        QCOMPARE(disk.value(u"Scolor13"_s), QString::number(0x563412));
        QCOMPARE(grid_->cellBackColorAt(3, 0), 0);
        QCOMPARE(grid_->cellForeColorAt(3, 1), 0x563412);
    }

    // --- Cancel ----------------------------------------------------------------

    void cancelAndTheTitleBarWriteNothing_data()
    {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("title bar") << true;
    }

    void cancelAndTheTitleBarWriteNothing()
    {
        QFETCH(bool, titleBar);
        threeAccounts();
        const QByteArray before = readStoreFile();
        accountform* f = open(2);
        retype(f->Accountname, u"Changed"_s);
        retype(f->Hostname, u"other"_s);
        chooseColour(f->Colorbox2, QColor(Qt::red));
        if (titleBar)
            f->close();
        else
            QTest::mouseClick(f->Command2, Qt::LeftButton);

        QVERIFY(!f->isVisible());
        QCOMPARE(f->result(), int(QDialog::Rejected));
        QCOMPARE(readStoreFile(), before);
        QCOMPARE(grid_->TextMatrix(2, 0), u"Acc2(pop2.example.jp)"_s);
        QCOMPARE(grid_->cellBackColorAt(2, 0), sampleAccount(2).Scolor2);
        // The next opening shows what is stored.
        QCOMPARE(open(2)->Accountname->text(), u"Acc2"_s);
    }

    // --- Refusals --------------------------------------------------------------

    void aPortOutsideOneTo32767IsRefused_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("empty") << QString();
        QTest::newRow("zero") << u"0"_s;
        QTest::newRow("negative") << u"-110"_s;
        QTest::newRow("too large") << u"32768"_s;
        QTest::newRow("far too large") << u"70000"_s;
        QTest::newRow("not a number") << u"pop"_s;
        QTest::newRow("fraction") << u"1.5"_s;
    }

    void aPortOutsideOneTo32767IsRefused()
    {
        QFETCH(QString, port);
        threeAccounts();
        const QByteArray before = readStoreFile();
        accountform* f = open(1);
        retype(f->Portbox, port);
        f->UserName->setFocus();
        auto seen = answerMessageBox();
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        QVERIFY(seen->shown);
        QCOMPARE(seen->title, u"QuorvixLAN"_s);
        QVERIFY(seen->text.contains(u"32767"_s));
        QVERIFY(f->isVisible());
        QCOMPARE(f->focusWidget(), f->Portbox);
        QCOMPARE(f->Portbox->text(), port);
        QCOMPARE(f->Accountname->text(), u"Acc1"_s);
        QCOMPARE(readStoreFile(), before);
        QCOMPARE(grid_->TextMatrix(1, 0), u"Acc1(pop1.example.jp)"_s);
    }

    void theHighestPortIsAccepted()
    {
        accountform* f = open(std::nullopt);
        QTest::keyClicks(f->Hostname, u"pop"_s);
        retype(f->Portbox, u"32767"_s);
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(!f->isVisible());
        QCOMPARE(storeFileContents().value(u"Portno1"_s), u"32767"_s);
    }

    void aPasswordCodePage932CannotCarryIsRefused()
    {
        threeAccounts();
        const QByteArray before = readStoreFile();
        accountform* f = open(2);
        f->MailPassWord->setText(u"ab€c"_s); // the euro sign has no code in code page 932
        auto seen = answerMessageBox();
        QTest::mouseClick(f->Command1, Qt::LeftButton);

        QVERIFY(seen->shown);
        QVERIFY(seen->text.contains(u"€"_s));
        QVERIFY(f->isVisible());
        QCOMPARE(readStoreFile(), before);
        QCOMPARE(Module1::AccountCount, qint16(3));
    }

    // Each field is one line of the store file.
    void aLineBreakOrNulInAFieldIsRefused()
    {
        threeAccounts();
        const QByteArray before = readStoreFile();
        accountform* f = open(2);
        for (QLineEdit* box : {f->Accountname, f->Hostname, f->UserName}) {
            const QString kept = box->text();
            box->setText(u"a\nb"_s + QChar(0));
            auto seen = answerMessageBox();
            QTest::mouseClick(f->Command1, Qt::LeftButton);
            QVERIFY(seen->shown);
            QVERIFY(seen->text.contains(u"改行"_s));
            QVERIFY(f->isVisible());
            QCOMPARE(f->focusWidget(), box);
            QCOMPARE(readStoreFile(), before);
            box->setText(kept);
        }
    }

    void aJapanesePasswordIsStored()
    {
        accountform* f = open(std::nullopt);
        QTest::keyClicks(f->Hostname, u"pop"_s);
        f->MailPassWord->setText(u"あいう"_s);
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(!f->isVisible());
        QCOMPARE(Module1::DecodePassword(storeFileContents().value(u"Passw1"_s)), u"あいう"_s);
    }

    void aRefusedWriteKeepsTheWindowAndTheList_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::newRow("add") << true;
        QTest::newRow("edit") << false;
    }

    void aRefusedWriteKeepsTheWindowAndTheList()
    {
        QFETCH(bool, adding);
        threeAccounts();
        const QByteArray before = readStoreFile();
        accountform* f = open(adding ? std::nullopt : std::optional<qint16>(2));
        retype(f->Accountname, u"Kept"_s);
        retype(f->Hostname, u"kept.example.jp"_s);
        std::shared_ptr<SeenMessageBox> seen;
        {
            BlockedStore blocked;
            QVERIFY(blocked.ok());
            seen = answerMessageBox();
            QTest::mouseClick(f->Command1, Qt::LeftButton);
        }
        QVERIFY(seen->shown);
        QVERIFY(f->isVisible());
        QCOMPARE(f->Accountname->text(), u"Kept"_s);
        QCOMPARE(grid_->Rows(), 4);
        QCOMPARE(grid_->TextMatrix(2, 0), u"Acc2(pop2.example.jp)"_s);
        // That the store, the count and the pending writes are as they were
        // is the action's own test (tst_storeactions).
        QCOMPARE(readStoreFile(), before);

        // Once the store can be written again, OK goes through.
        QTest::mouseClick(f->Command1, Qt::LeftButton);
        QVERIFY(!f->isVisible());
        const int n = adding ? 4 : 2;
        QCOMPARE(storeFileContents().value(u"Aname"_s + QString::number(n)), u"Kept"_s);
        QCOMPARE(grid_->TextMatrix(n, 0), u"Kept(kept.example.jp)"_s);
    }
};

QUORVIX_TEST_MAIN(TestAccountEditor)
#include "tst_accountform_editor.moc"
