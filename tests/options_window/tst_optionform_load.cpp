// Loading the options window: every control from an empty store, the account
// rows, stored numbers that do not fit, the load order the handlers depend
// on, the volume and speed bars and the balloon font lists.

#include "OptionformTestSupport.h"

#include "CommonDialogs.h"
#include "DropDownList.h"
#include "FlexGrid.h"
#include "optionform.h"
#include "PlainWriter.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quorvix::test;
using namespace options::test;

namespace {

// A window loaded from the current store; message boxes are answered.
StoreMap missingAgent()
{
    return {{u"Agentnm"_s, u"\\no\\such\\folder\\Nobody.acs"_s}};
}

QString fixedDefault(QStringView key)
{
    return settings::FindGlobalKey(key)->defaultText.toString();
}

void addAccount(StoreMap& store, int n, const QString& name, const QString& host, const QString& check,
                qint32 fore, qint32 back)
{
    const QString k = QString::number(n);
    store.insert(u"Aname"_s + k, name);
    store.insert(u"Hname"_s + k, host);
    store.insert(u"Check"_s + k, check);
    store.insert(u"Scolor1"_s + k, QString::number(fore));
    store.insert(u"Scolor2"_s + k, QString::number(back));
}

} // namespace

class OptionformLoadTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { clearProgramEnd(); }

    void firstRunShowsEveryDefault()
    {
        prepareStore({});
        LoadedForm w;
        optionform& f = w.form;

        QCOMPARE(QApplication::overrideCursor(), nullptr); // the busy pointer is gone again
        QCOMPARE(Module1::AccountCount, qint16(0));
        QCOMPARE(f.accountList->Rows(), 1);
        QCOMPARE(f.accountList->ColWidth(0), 4960);
        QCOMPARE(f.accountList->ColWidth(1), 320);
        for (QCheckBox* box : {f.option1, f.option2, f.option3, f.option4, f.Check5, f.option8, f.option9,
                               f.Check1, f.Check2, f.Check3, f.Check4})
            QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
        QVERIFY(!f.option5->isChecked());
        QCOMPARE(f.timerbox1->text(), u"0"_s);
        QCOMPARE(f.timerbox2->text(), u"0"_s);
        QVERIFY(f.timerbox2->isEnabled());
        QCOMPARE(f.timerbox3->text(), u"60"_s);
        QCOMPARE(f.talkcntbox->text(), u"10"_s);
        QCOMPARE(f.Mailerbox[1]->text(), QString());
        QCOMPARE(f.Mailerbox[2]->text(), QString());
        QCOMPARE(f.Wavbox->text(), QString());
        QCOMPARE(f.AgentBox->text(), settings::AgentnmDefault(Module1::WindowsDirectory()));
        QCOMPARE(f.Notstrbox->text(), settings::kNotstrDefault.toString());
        QCOMPARE(f.Notstrbox->text().size(), 152);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(f.Text1[std::size_t(i - 1)]->text(), fixedDefault(settings::IndexedKey(u"Talkstr", i)));
        QCOMPARE(f.txt_Vol->text(), u"30000"_s);
        QCOMPARE(f.scr_Vol->value(), -2768);
        QCOMPARE(f.Options.VolumeValue, 30000);
        QCOMPARE(f.scr_Pitch->value(), 100);
        QCOMPARE(f.Options.PitchValue, qint16(100));
        QCOMPARE(f.Combo3->currentText(), u"9"_s);
        QCOMPARE(f.Options.BalloonFontSize, qint16(9));
        QCOMPARE(f.Options.BalloonFontName, settings::kHukifontNDefault.toString());
        QCOMPARE(f.lbl_Sample->font().family(), settings::kHukifontNDefault.toString());
        QCOMPARE(f.lbl_Sample->font().pointSize(), 9);
        if (QFontDatabase::families().contains(settings::kHukifontNDefault.toString()))
            QCOMPARE(f.Combo2->currentText(), settings::kHukifontNDefault.toString());
        else
            QCOMPARE(f.Combo2->currentIndex(), -1);
        QCOMPARE(f.SSTab1->currentIndex(), 0);

        if (pipwrenFile().isEmpty()) {
            QCOMPARE(w.boxes.seen.size(), std::size_t(1)); // the missing default character
        } else {
            QVERIFY(w.boxes.seen.empty());
            QVERIFY(f.AgentLoaded);
            QVERIFY(f.AgentCharacter);
            QCOMPARE(f.Combo1[0]->currentText(), u"Congratulate"_s);
            QCOMPARE(f.Combo1[1]->currentText(), u"Read"_s);
            for (std::size_t i = 2; i < 6; ++i)
                QCOMPARE(f.Combo1[i]->currentText(), u"Nothing"_s);
        }
    }

    void missingAgentWarnsOnceWithTheBusyPointerUp()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        const SeenMessageBox& box = w.boxes.seen.front();
        QCOMPARE(box.title, u"QuorvixLAN"_s);
        QCOMPARE(box.text, u"エージェントが見つかりません\r\nエージェントを指定して下さい"_s);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.pointer, Qt::WaitCursor);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(w.form.isVisible());
        QVERIFY(!w.form.AgentCharacter);
        for (controls::DropDownList* list : w.form.Combo1)
            QCOMPARE(list->count(), 0);
    }

    // A folder of that name is no character file.
    void agentPathNamingAFolderCountsAsMissing()
    {
        QTemporaryDir dir;
        prepareStore({{u"Agentnm"_s, dir.path()}});
        LoadedForm w;
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        QCOMPARE(w.boxes.seen.front().text,
                 u"エージェントが見つかりません\r\nエージェントを指定して下さい"_s);
    }

    // A store that exists but cannot be read (a folder, which binds root
    // too), or that another program holds open for writing after cutting it
    // (a plain writer between truncating and writing), is named at start;
    // the window shows defaults and OK leaves the file alone.
    void unreadableStoreIsNamedAndNotReplaced_data()
    {
        QTest::addColumn<bool>("beingWritten");
        QTest::newRow("a folder") << false;
        QTest::newRow("cut and held open by a plain writer") << true;
    }

    void unreadableStoreIsNamedAndNotReplaced()
    {
        QFETCH(bool, beingWritten);
        prepareStore({{u"Talkcnt"_s, u"3"_s}});
        const QString path = Module1::StoreFilePath();
        const QByteArray before = readStoreFile();
        int writer = -1;
        if (beingWritten)
            writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        else
            QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        Module1::ReloadStore();
        if (!Module1::StoreReadProblem().isProblem()) {
            ::close(writer);
            QSKIP("no read lease on this file system or for this user: only the timing fallback applies");
        }
        {
            LoadedForm w;
            QVERIFY(!w.boxes.seen.empty());
            QVERIFY(w.boxes.seen.front().text.startsWith(u"設定を読み込めませんでした\r\n"_s + path));
            QCOMPARE(w.boxes.seen.front().text.contains(u"書き込んでいる最中"_s), beingWritten);
            QCOMPARE(w.form.talkcntbox->text(), u"10"_s);
            QSignalSpy ending(&w.form, &optionform::programEnding);
            w.form.OkBt_Click();
            QCOMPARE(ending.size(), 0);
            QVERIFY(w.boxes.seen.back().text.startsWith(u"設定を保存できませんでした"_s));
        }
        if (beingWritten) {
            writeBytes(writer, before);
            ::close(writer);
            QCOMPARE(readStoreFile(), before);
        } else {
            QVERIFY(QFileInfo(path).isDir());
            QVERIFY(QDir().rmdir(path));
        }
        Module1::ReloadStore();
    }

    void accountRows_data()
    {
        QTest::addColumn<int>("accounts");
        QTest::addColumn<int>("nameColumnTwips");
        QTest::newRow("18 fit without a scroll bar") << 18 << 4960;
        QTest::newRow("19 leave room for it") << 19 << 4700;
    }
    void accountRows()
    {
        QFETCH(int, accounts);
        QFETCH(int, nameColumnTwips);
        StoreMap store = missingAgent();
        store.insert(u"accountno"_s, QString::number(accounts));
        for (int n = 1; n <= accounts; ++n)
            addAccount(store, n, u"home"_s + QString::number(n), u"mailhost"_s, n == 2 ? u"0"_s : u"1"_s,
                       0x0000FF + n, 0xFFEE00 + n);
        prepareStore(store);
        LoadedForm w;
        controls::FlexGrid* grid = w.form.accountList;
        QCOMPARE(Module1::AccountCount, qint16(accounts));
        QCOMPARE(grid->Rows(), accounts + 1);
        QVERIFY(grid->Visible());
        QCOMPARE(grid->ColWidth(0), nameColumnTwips);
        QCOMPARE(grid->ColWidth(1), 320);
        QCOMPARE(grid->TextMatrix(1, 0), u"home1(mailhost)"_s);
        QCOMPARE(grid->TextMatrix(1, 1), u"○"_s);
        QCOMPARE(grid->TextMatrix(2, 1), u"×"_s);
        for (int col = 0; col < 2; ++col) {
            QCOMPARE(grid->cellForeColorAt(accounts, col), 0x0000FF + accounts);
            QCOMPARE(grid->cellBackColorAt(accounts, col), 0xFFEE00 + accounts);
        }
        QCOMPARE(grid->Row(), accounts); // the last row appended stays current
    }

    // The largest 16-bit count still ends the load (absent records show as
    // new accounts), and then leaves no number for another account.
    void theLargestAccountCountOpens()
    {
        StoreMap store = missingAgent();
        store.insert(u"accountno"_s, u"32767"_s);
        addAccount(store, 32767, u"last"_s, u"mailhost"_s, u"1"_s, 0, 16777088);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.accountList->Rows(), 32768);
        QCOMPARE(w.form.accountList->TextMatrix(32767, 0), u"last(mailhost)"_s);
        QVERIFY(!w.form.addbutton->isEnabled());
    }

    // A stored count that is no count would hide the accounts and let Add
    // overwrite account 1: the records from 1 on are counted instead.
    void unusableAccountCountCountsTheRecords_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QList<int>>("records");
        QTest::addColumn<int>("count");
        QTest::newRow("not a number") << u"abc"_s << QList<int>{1, 2, 3} << 3;
        QTest::newRow("negative") << u"-1"_s << QList<int>{1, 2, 3} << 3;
        QTest::newRow("beyond 16 bits") << u"40000"_s << QList<int>{1, 2, 3} << 3;
        QTest::newRow("counting stops at a gap") << u""_s << QList<int>{1, 2, 4} << 2;
    }
    void unusableAccountCountCountsTheRecords()
    {
        QFETCH(QString, stored);
        QFETCH(QList<int>, records);
        QFETCH(int, count);
        StoreMap store = missingAgent();
        store.insert(u"accountno"_s, stored);
        for (int n : records)
            addAccount(store, n, u"acct"_s + QString::number(n), u"host"_s, u"1"_s, 0, 16777088);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.accountList->Rows(), count + 1);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"accountno"_s), QString::number(count));
    }

    void accountStoredWithEmptyNameShowsTheSavedZero()
    {
        StoreMap store = missingAgent();
        store.insert(u"accountno"_s, u"1"_s);
        addAccount(store, 1, u"0"_s, u"0"_s, u"5"_s, 0, 16777088);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.accountList->TextMatrix(1, 0), u"0(0)"_s);
        QCOMPARE(w.form.accountList->TextMatrix(1, 1), u"○"_s);
    }

    // Stored numbers that do not convert or do not fit their control (each
    // case on its own in the options record's test): the window opens
    // normally and OK writes the defaults back.
    void badStoredNumbersStillOpenTheWindow()
    {
        StoreMap store = missingAgent();
        const StoreMap bad{{u"Timeupval"_s, u"abc"_s},      {u"Talkcnt"_s, u"99999"_s},
                           {u"Closetimerval"_s, QString()}, {u"Pitchval"_s, u"251"_s},
                           {u"Volval"_s, u"-1"_s},          {u"Option4index"_s, u"7"_s},
                           {u"HukifontS"_s, u"40000"_s}};
        store.insert(bad);
        prepareStore(store);
        LoadedForm w;
        QVERIFY(w.form.isVisible());
        WriteRecorder writes;
        w.form.OkBt_Click();
        for (const QString& key : bad.keys())
            QCOMPARE(writes.texts.value(key), fixedDefault(key));
    }

    void boundaryNumbersAreKept()
    {
        StoreMap store = missingAgent();
        store.insert(u"Pitchval"_s, u"50"_s);
        store.insert(u"Timeupval"_s, u"-32768"_s);
        store.insert(u"Talkcnt"_s, u" 32767"_s);
        store.insert(u"Option4index"_s, u"0"_s);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.scr_Pitch->value(), 50);
        QCOMPARE(w.form.Options.PitchValue, qint16(50));
        QCOMPARE(w.form.timerbox3->text(), u"-32768"_s);
        QCOMPARE(w.form.talkcntbox->text(), u"32767"_s);
        QVERIFY(!w.form.option4->isChecked());
    }

    // option1 is set before timerbox2 gets its text: its handler clears the
    // box, then the stored close time is filled in.
    void popupOffLocksTheCloseTimerButKeepsItsValue()
    {
        StoreMap store = missingAgent();
        store.insert(u"Option1value"_s, u"0"_s);
        store.insert(u"Closetimerval"_s, u"25"_s);
        prepareStore(store);
        LoadedForm w;
        QVERIFY(!w.form.option1->isChecked());
        QVERIFY(!w.form.timerbox2->isEnabled());
        QCOMPARE(w.form.timerbox2->text(), u"25"_s);
    }

    void popupLockFollowsTheBox()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        w.form.timerbox2->setText(u"30"_s);
        w.form.option1->setChecked(false);
        QCOMPARE(w.form.timerbox2->text(), u"0"_s);
        QVERIFY(!w.form.timerbox2->isEnabled());
        w.form.option1->setChecked(true);
        QVERIFY(w.form.timerbox2->isEnabled());
        QCOMPARE(w.form.timerbox2->text(), u"0"_s); // the old number does not come back
    }

    void volumeBarEnds_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("bar");
        QTest::newRow("silent") << u"0"_s << -32768;
        QTest::newRow("loudest") << u"65535"_s << 32767;
        QTest::newRow("middle, where the bar already stands") << u"32768"_s << 0;
    }
    void volumeBarEnds()
    {
        QFETCH(QString, stored);
        QFETCH(int, bar);
        StoreMap store = missingAgent();
        store.insert(u"Volval"_s, stored);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.scr_Vol->value(), bar);
        QCOMPARE(w.form.txt_Vol->text(), stored);
        QCOMPARE(w.form.Options.VolumeValue, stored.toInt());
    }

    void volumeAndSpeedBarsMoveTheirValues()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        optionform& f = w.form;
        f.scr_Vol->setValue(f.scr_Vol->minimum());
        QCOMPARE(f.txt_Vol->text(), u"0"_s);
        QCOMPARE(f.Options.VolumeValue, 0);
        f.scr_Vol->setValue(f.scr_Vol->maximum());
        QCOMPARE(f.txt_Vol->text(), u"65535"_s);
        QCOMPARE(f.Options.VolumeValue, 65535);
        f.scr_Pitch->setValue(1000);
        QCOMPARE(f.Options.PitchValue, qint16(250));
        f.scr_Pitch->setValue(-1000);
        QCOMPARE(f.Options.PitchValue, qint16(50));
    }

    void fontNamesLeaveOutVerticalFaces()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        QStringList expected = QFontDatabase::families();
        expected.removeIf([](const QString& name) { return name.startsWith(u'@'); });
        QStringList listed;
        for (int k = 0; k < w.form.Combo2->count(); ++k)
            listed << w.form.Combo2->itemText(k);
        QCOMPARE(listed, expected);
        QVERIFY(!w.form.Combo2->isHidden());
        QVERIFY(!w.form.Combo3->isHidden());
    }

    void installedFontIsSelected()
    {
        QStringList families = QFontDatabase::families();
        families.removeIf([](const QString& name) { return name.startsWith(u'@'); });
        if (families.isEmpty())
            QSKIP("no fonts installed");
        const QString installed = families.last();
        StoreMap store = missingAgent();
        store.insert(u"HukifontN"_s, installed);
        store.insert(u"HukifontS"_s, u"72"_s);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.Combo2->currentText(), installed);
        QCOMPARE(w.form.Options.BalloonFontName, installed);
        QCOMPARE(w.form.Combo3->currentText(), u"72"_s);
        QCOMPARE(w.form.lbl_Sample->font().pointSize(), 72);
    }

    // An unknown name or an unlisted size selects nothing, yet the sample shows them.
    void missingFontAndUnlistedSize()
    {
        StoreMap store = missingAgent();
        store.insert(u"HukifontN"_s, u"No Such Face 123"_s);
        store.insert(u"HukifontS"_s, u"13"_s);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.Combo2->currentIndex(), -1);
        QCOMPARE(w.form.Combo3->currentIndex(), -1);
        QCOMPARE(w.form.Options.BalloonFontName, u"No Such Face 123"_s);
        QCOMPARE(w.form.Options.BalloonFontSize, qint16(13));
        QCOMPARE(w.form.lbl_Sample->font().family(), u"No Such Face 123"_s);
        QCOMPARE(w.form.lbl_Sample->font().pointSize(), 13);
    }

    void fontNameMatchesCaseSensitively()
    {
        QStringList families = QFontDatabase::families();
        families.removeIf(
            [](const QString& name) { return name.startsWith(u'@') || name.toUpper() == name; });
        if (families.isEmpty())
            QSKIP("no font with lower-case letters installed");
        const QString shouted = families.first().toUpper();
        if (QFontDatabase::families().contains(shouted))
            QSKIP("an installed font already has the upper-case name");
        StoreMap store = missingAgent();
        store.insert(u"HukifontN"_s, shouted);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.Combo2->currentIndex(), -1);
        QCOMPARE(w.form.Options.BalloonFontName, shouted);
    }

    // A stored size of 0 or below is no listed size: nothing is selected,
    // the sample stays drawable, and OK writes the number back unchanged.
    void balloonSizesBelowOneAreKept_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("zero") << u"0"_s;
        QTest::newRow("the smallest 16-bit number") << u"-32768"_s;
    }
    void balloonSizesBelowOneAreKept()
    {
        QFETCH(QString, stored);
        StoreMap store = missingAgent();
        store.insert(u"HukifontS"_s, stored);
        prepareStore(store);
        LoadedForm w;
        QCOMPARE(w.form.Combo3->currentIndex(), -1);
        QCOMPARE(w.form.lbl_Sample->font().pointSize(), 9);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"HukifontS"_s), stored);
    }

    void choosingASizeRestylesTheSample()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        w.form.Combo3->setCurrentIndex(w.form.Combo3->findText(u"72"_s));
        QCOMPARE(w.form.Options.BalloonFontSize, qint16(72));
        QCOMPARE(w.form.lbl_Sample->font().pointSize(), 72);
        if (w.form.Combo2->count() > 1) {
            w.form.Combo2->setCurrentIndex(1);
            QCOMPARE(w.form.Options.BalloonFontName, w.form.Combo2->itemText(1));
            QCOMPARE(w.form.lbl_Sample->font().family(), w.form.Combo2->itemText(1));
        }
    }

    // Qt reports a cleared list as a change of selection; the handler must not
    // take that for the user choosing an empty font.
    void clearingAListRunsNoHandler()
    {
        prepareStore(missingAgent());
        LoadedForm w;
        const QString name = w.form.Options.BalloonFontName;
        const qint16 size = w.form.Options.BalloonFontSize;
        w.form.Combo2->clear();
        w.form.Combo3->setCurrentIndex(-1);
        QCOMPARE(w.form.Options.BalloonFontName, name);
        QCOMPARE(w.form.Options.BalloonFontSize, size);
    }
};

QUORVIX_TEST_MAIN(OptionformLoadTest)
#include "tst_optionform_load.moc"
