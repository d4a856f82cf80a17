// The account list on page "ｱｶｳﾝﾄ" driven as a user drives it: presses in the
// grid, Add, Edit and double-click through the real account window, and
// Delete with its renumbering of the stored accounts.

#include "AccountTestSupport.h"
#include "FlexGrid.h"
#include "TestMain.h"
#include "accountform.h"
#include "optionform.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

QPoint viewportPointOf(controls::FlexGrid* grid, int row)
{
    QWidget* viewport = grid->table()->viewport();
    return viewport->mapFrom(grid, grid->cellRect(row, 0).center());
}

void pressRow(controls::FlexGrid* grid, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget* viewport = grid->table()->viewport();
    const QPoint at = viewportPointOf(grid, row);
    QTest::mousePress(viewport, button, {}, at);
    QTest::mouseRelease(viewport, button, {}, at);
}

// A press below the last row, where there is no cell.
void pressBelowTheRows(controls::FlexGrid* grid)
{
    QWidget* viewport = grid->table()->viewport();
    const QPoint at(5, viewport->height() - 5);
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

} // namespace

class TestAccountList : public QObject
{
    Q_OBJECT

    std::unique_ptr<optionform> form_;
    std::unique_ptr<QObject> waits_; // owns the waits for windows that must not come

    // The options window on a store with count accounts, loaded and shown.
    optionform* openOptions(int count)
    {
        prepareAccounts(count);
        form_ = std::make_unique<optionform>();
        {
            // Loading may warn about the character; that is not what these cases are about.
            MessageBoxAnswerer warnings;
            form_->show();
        }
        if (!QTest::qWaitForWindowExposed(form_.get()))
            qWarning("options window not exposed");
        form_->SSTab1->setCurrentIndex(2);
        return form_.get();
    }

    // Answers the account window: checks, then OK or Cancel.
    std::shared_ptr<bool> answerAccountWindow(std::function<void(accountform*)> action)
    {
        return whenModal<accountform>(std::move(action));
    }

private slots:
    void init()
    {
        waits_ = std::make_unique<QObject>();
        Module1::SelectedRow = 0;
        Module1::EditMode = 0;
    }

    void cleanup()
    {
        waits_.reset();
        rejectAllModals();
        form_.reset();
    }

    // --- Selecting -------------------------------------------------------------

    void theGridListsTheStoredAccounts()
    {
        optionform* f = openOptions(3);
        QCOMPARE(f->accountList->Rows(), 4);
        QCOMPARE(f->accountList->TextMatrix(2, 0), u"Acc2(pop2.example.jp)"_s);
        QVERIFY(!f->editbutton->isEnabled());
        QVERIFY(!f->delbutton->isEnabled());
    }

    void anyButtonRecordsTheCurrentRowAndEnablesEditAndDelete_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("right") << int(Qt::RightButton);
        QTest::newRow("middle") << int(Qt::MiddleButton);
    }

    void anyButtonRecordsTheCurrentRowAndEnablesEditAndDelete()
    {
        QFETCH(int, button);
        optionform* f = openOptions(3);
        pressRow(f->accountList, 2);
        QCOMPARE(Module1::SelectedRow, qint16(2));
        f->editbutton->setEnabled(false);
        f->delbutton->setEnabled(false);
        // Another button over row 3 leaves the current row where it was.
        pressRow(f->accountList, 3, Qt::MouseButton(button));
        QCOMPARE(f->accountList->Row(), 2);
        QCOMPARE(Module1::SelectedRow, qint16(2));
        QVERIFY(f->editbutton->isEnabled());
        QVERIFY(f->delbutton->isEnabled());
    }

    void theKeyboardMovesTheSelectedRowToo()
    {
        optionform* f = openOptions(3);
        pressRow(f->accountList, 1);
        QTest::keyClick(f->accountList->table(), Qt::Key_Down);
        QCOMPARE(f->accountList->Row(), 2);
        QCOMPARE(Module1::SelectedRow, qint16(2));
        // Delete takes the row the user sees.
        QTest::mouseClick(f->delbutton, Qt::LeftButton);
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Aname2"_s), u"Acc3"_s);
        QCOMPARE(disk.value(u"Aname1"_s), u"Acc1"_s);
    }

    // --- Edit and double-click -------------------------------------------------

    void editOpensTheCurrentRowsAccountAndOkRewritesIt()
    {
        optionform* f = openOptions(3);
        pressRow(f->accountList, 2);
        auto answered = answerAccountWindow([](accountform* w) {
            QCOMPARE(w->Accountname->text(), u"Acc2"_s);
            QCOMPARE(w->Portbox->text(), u"112"_s);
            QVERIFY(w->Command1->isEnabled());
            retype(w->Accountname, u"Second"_s);
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        });
        QTest::mouseClick(f->editbutton, Qt::LeftButton);
        QVERIFY(*answered);
        QCOMPARE(Module1::EditMode, qint16(1));
        QCOMPARE(f->accountList->Rows(), 4);
        QCOMPARE(f->accountList->TextMatrix(2, 0), u"Second(pop2.example.jp)"_s);
        QCOMPARE(storeFileContents().value(u"Aname2"_s), u"Second"_s);
        QCOMPARE(Module1::AccountCount, qint16(3));
        // Edit leaves the buttons as they were.
        QVERIFY(f->editbutton->isEnabled());
        QVERIFY(f->delbutton->isEnabled());
    }

    void aDoubleClickEditsTheRow()
    {
        optionform* f = openOptions(3);
        pressRow(f->accountList, 1);
        auto answered = answerAccountWindow([](accountform* w) {
            QCOMPARE(w->Accountname->text(), u"Acc2"_s);
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        });
        // A double-click: the first press and release, then the second press.
        pressRow(f->accountList, 2);
        QTest::mouseDClick(f->accountList->table()->viewport(), Qt::LeftButton, {},
                           viewportPointOf(f->accountList, 2));
        QVERIFY(*answered);
        QCOMPARE(Module1::EditMode, qint16(1));
        QCOMPARE(Module1::SelectedRow, qint16(2));
        QVERIFY(f->editbutton->isEnabled());
    }

    void eachOpeningStartsAFreshWindow()
    {
        optionform* f = openOptions(3);
        pressRow(f->accountList, 1);
        QPointer<accountform> first;
        auto edited = answerAccountWindow([&first](accountform* w) {
            first = w;
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        });
        QTest::mouseClick(f->editbutton, Qt::LeftButton);
        QVERIFY(*edited);
        QVERIFY(first.isNull()); // unloaded when it closed
        // Add shows a new account's contents, not the account edited before.
        auto added = answerAccountWindow([](accountform* w) {
            QCOMPARE(w->Accountname->text(), QString());
            QCOMPARE(w->Hostname->text(), QString());
            QCOMPARE(w->Portbox->text(), u"110"_s);
            QVERIFY(w->Check1->isChecked());
            QVERIFY(!w->Command1->isEnabled());
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        });
        QTest::mouseClick(f->addbutton, Qt::LeftButton);
        QVERIFY(*added);
        QCOMPARE(Module1::EditMode, qint16(0));
    }

    // --- Add -----------------------------------------------------------------

    void addStoresTheNextAccountWithTheCount()
    {
        optionform* f = openOptions(3);
        auto answered = answerAccountWindow([](accountform* w) {
            QTest::keyClicks(w->Hostname, u"pop4"_s);
            QTest::keyClicks(w->UserName, u"shiro"_s);
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        });
        QTest::mouseClick(f->addbutton, Qt::LeftButton);
        QVERIFY(*answered);
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Aname4"_s), u"shiro@pop4"_s);
        QCOMPARE(disk.value(u"accountno"_s), u"4"_s);
        QCOMPARE(f->accountList->Rows(), 5);
        QCOMPARE(f->accountList->Row(), 4);
        QCOMPARE(Module1::SelectedRow, qint16(4));
        QCOMPARE(Module1::AccountCount, qint16(4));
        // Add does not enable Edit and Delete.
        QVERIFY(!f->editbutton->isEnabled());
        QVERIFY(!f->delbutton->isEnabled());
    }

    void cancelledAddAndEditWriteNothing()
    {
        optionform* f = openOptions(2);
        const QByteArray before = readStoreFile();
        auto added = answerAccountWindow([](accountform* w) {
            QTest::keyClicks(w->Hostname, u"never"_s);
            w->close();
        });
        QTest::mouseClick(f->addbutton, Qt::LeftButton);
        QVERIFY(*added);
        pressRow(f->accountList, 1);
        auto edited = answerAccountWindow([](accountform* w) {
            retype(w->Accountname, u"never"_s);
            QTest::mouseClick(w->Command2, Qt::LeftButton);
        });
        QTest::mouseClick(f->editbutton, Qt::LeftButton);
        QVERIFY(*edited);
        QCOMPARE(readStoreFile(), before);
        QCOMPARE(f->accountList->Rows(), 3);
        QCOMPARE(f->accountList->TextMatrix(1, 0), u"Acc1(pop1.example.jp)"_s);
        QCOMPARE(Module1::AccountCount, qint16(2));
    }

    void addIsDisabledOnceTheCountIsFull()
    {
        optionform* f = openOptions(3);
        Module1::AccountCount = 32767;
        pressRow(f->accountList, 1);
        QVERIFY(!f->addbutton->isEnabled());
        auto opened = whenModal<accountform>([](accountform* w) { w->close(); }, waits_.get());
        f->addbutton_Click();
        QVERIFY(!*opened);
        Module1::AccountCount = 3;
    }

    // --- An empty list ---------------------------------------------------------

    void onAnEmptyListDeleteStaysOffAndEditAddsTheFirstAccount()
    {
        optionform* f = openOptions(0);
        pressBelowTheRows(f->accountList);
        QCOMPARE(Module1::SelectedRow, qint16(0));
        QVERIFY(f->editbutton->isEnabled());
        QVERIFY(!f->delbutton->isEnabled());
        f->delbutton_Click(); // even when called, there is no account to delete
        QCOMPARE(Module1::AccountCount, qint16(0));

        auto answered = answerAccountWindow([](accountform* w) {
            QCOMPARE(w->Portbox->text(), u"110"_s);
            QVERIFY(w->Command1->isEnabled()); // intoform(0) enables OK
            QTest::keyClicks(w->Hostname, u"first"_s);
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        });
        QTest::mouseClick(f->editbutton, Qt::LeftButton);
        QVERIFY(*answered);
        QCOMPARE(f->accountList->Rows(), 2);
        QCOMPARE(Module1::AccountCount, qint16(1));
        QCOMPARE(Module1::SelectedRow, qint16(1));
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"Hname1"_s), u"first"_s);
        QCOMPARE(disk.value(u"accountno"_s), u"1"_s);
    }

    // --- Delete ----------------------------------------------------------------

    void deleteRenumbersTheLaterAccounts_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("first") << 1;
        QTest::newRow("middle") << 2;
        QTest::newRow("last") << 3;
    }

    void deleteRenumbersTheLaterAccounts()
    {
        QFETCH(int, row);
        optionform* f = openOptions(3);
        const StoreMap before = storeFileContents();
        pressRow(f->accountList, row);
        QTest::mouseClick(f->delbutton, Qt::LeftButton);

        const StoreMap disk = storeFileContents();
        int n = 1;
        for (int old = 1; old <= 3; ++old) {
            if (old == row)
                continue;
            QCOMPARE(diskAccount(disk, n), diskAccount(before, old));
            QCOMPARE(f->accountList->TextMatrix(n, 0), QStringLiteral("Acc%1(pop%1.example.jp)").arg(old));
            QCOMPARE(f->accountList->cellBackColorAt(n, 1), sampleAccount(old).Scolor2);
            ++n;
        }
        // The freed number leaves nothing behind, and the count is stored with the records.
        QVERIFY(diskAccount(disk, 3).isEmpty());
        QCOMPARE(disk.value(u"accountno"_s), u"2"_s);
        QCOMPARE(f->accountList->Rows(), 3);
        QCOMPARE(Module1::AccountCount, qint16(2));
        QCOMPARE(Module1::SelectedRow, qint16(f->accountList->Row()));
        QVERIFY(!f->editbutton->isEnabled());
        QVERIFY(!f->delbutton->isEnabled());
    }

    void deletingTheOnlyAccountEmptiesTheList()
    {
        optionform* f = openOptions(1);
        pressRow(f->accountList, 1);
        QTest::mouseClick(f->delbutton, Qt::LeftButton);
        QCOMPARE(f->accountList->Rows(), 1);
        QCOMPARE(Module1::SelectedRow, qint16(0));
        const StoreMap disk = storeFileContents();
        QCOMPARE(disk.value(u"accountno"_s), u"0"_s);
        QVERIFY(diskAccount(disk, 1).isEmpty());
        pressBelowTheRows(f->accountList);
        QVERIFY(!f->delbutton->isEnabled());
    }

    void aRefusedDeleteKeepsEveryAccount()
    {
        optionform* f = openOptions(3);
        const StoreMap before = storeFileContents();
        pressRow(f->accountList, 1);
        std::shared_ptr<SeenMessageBox> seen;
        {
            BlockedStore blocked;
            QVERIFY(blocked.ok());
            seen = answerMessageBox();
            QTest::mouseClick(f->delbutton, Qt::LeftButton);
        }
        QVERIFY(seen->shown);
        QCOMPARE(seen->title, u"QuorvixLAN"_s);
        QCOMPARE(f->accountList->Rows(), 4);
        QCOMPARE(f->accountList->TextMatrix(1, 0), u"Acc1(pop1.example.jp)"_s);
        QCOMPARE(Module1::AccountCount, qint16(3));
        QCOMPARE(Module1::ReadSetting(u"Aname1"_s, QString()), u"Acc1"_s);
        // A later sync writes nothing of the refused Delete.
        QVERIFY(Module1::SyncSettings());
        QCOMPARE(storeFileContents(), before);
        // Once the store can be written, Delete goes through.
        QTest::mouseClick(f->delbutton, Qt::LeftButton);
        QCOMPARE(f->accountList->Rows(), 3);
        QCOMPARE(storeFileContents().value(u"Aname1"_s), u"Acc2"_s);
    }
};

QUORVIX_TEST_MAIN(TestAccountList)
#include "tst_accountlist.moc"
