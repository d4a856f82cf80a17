// Saving on OK: every key with the default texts after a first run, a round
// trip that changes nothing, the order of the writes, Cancel, typed numbers
// that do not convert, a store that refuses the write, and the animation
// choices with and without a character.

#include "OptionformTestSupport.h"

#include "CommonDialogs.h"
#include "DropDownList.h"
#include "StoreRefusalBox.h"
#include "accountform.h"
#include "optionform.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace quorvix::test;
using namespace options::test;

namespace {

// Every key set to something other than its default.
StoreMap nonDefaultStore(const QString& agentFile)
{
    StoreMap s{
        {u"accountno"_s, u"2"_s},
        {u"Aname1"_s, u"home"_s},
        {u"Hname1"_s, u"mailhost"_s},
        {u"Check1"_s, u"0"_s},
        {u"Aname2"_s, u"仕事"_s},
        {u"Hname2"_s, u"pop.example.jp"_s},
        {u"Option1value"_s, u"0"_s},
        {u"Option2value"_s, u"0"_s},
        {u"Option3value"_s, u"0"_s},
        {u"Option4index"_s, u"0"_s},
        {u"Option5value"_s, u"1"_s},
        {u"Check5value"_s, u"0"_s},
        {u"Option8value"_s, u"0"_s},
        {u"Option9value"_s, u"0"_s},
        {u"Check1value"_s, u"0"_s},
        {u"Check2value"_s, u"0"_s},
        {u"Check3value"_s, u"0"_s},
        {u"Check4value"_s, u"0"_s},
        {u"Checktimerval"_s, u"15"_s},
        {u"Closetimerval"_s, u"-3"_s},
        {u"Timeupval"_s, u"45"_s},
        {u"Mailerdir1"_s, u"C:\\Program Files\\Mail\\mail.exe"_s},
        {u"Mailerdir2"_s, u"/usr/bin/メーラー"_s},
        {u"Wavdir"_s, u"C:\\Windows\\Media\\ding.wav"_s},
        {u"Agentnm"_s, agentFile},
        {u"Actkind1"_s, u"Wave"_s},
        {u"Actkind2"_s, u"read"_s},
        {u"Actkind3"_s, u"Congratulate"_s},
        {u"Actkind4"_s, u"Read"_s},
        {u"Actkind5"_s, u"Wave"_s},
        {u"Actkind6"_s, u"Congratulate"_s},
        {u"Talkcnt"_s, u"3"_s},
        {u"Notstr"_s, u"★☆#, ;=\"x\""_s},
        {u"Talkstr1"_s, u"@1通"_s},
        {u"Talkstr2"_s, u"@2: @3"_s},
        {u"Talkstr3"_s, QString()},
        {u"Talkstr4"_s, u" 件名は@5 "_s},
        {u"Talkstr5"_s, u"@6"_s + QString(200, u'長')},
        {u"Talkstr6"_s, u"おしまい"_s},
        {u"Volval"_s, u"65535"_s},
        {u"Pitchval"_s, u"250"_s},
        {u"HukifontN"_s, u"Not Installed Face"_s},
        {u"HukifontS"_s, u"13"_s},
        {u"DefLeft"_s, u"1500"_s},
        {u"DefTop"_s, u"3000.5"_s},
        {u"SomeoneElsesKey"_s, u"kept"_s},
    };
    return s;
}

} // namespace

class OptionformSaveTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString sample_;

private slots:
    void cleanup() { clearProgramEnd(); }

    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        sample_ = writeSampleCharacter(dir_);
        QVERIFY(!sample_.isEmpty());
    }

    // Whether or not the default character is there, OK on a first run writes
    // every key but the two positions, with exactly the default texts.
    void firstRunOkWritesEveryDefault()
    {
        LoadedForm w(StoreMap{});
        QSignalSpy ending(&w.form, &optionform::programEnding);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(ending.size(), 1);
        QCOMPARE(writes.keys, saveOrderNames());

        const StoreMap file = storeFileContents();
        QStringList expectedKeys;
        for (const settings::GlobalKey& key : settings::GlobalKeys()) {
            const QString name = key.name.toString();
            if (!key.writtenOnOk()) {
                QVERIFY(!file.contains(name));
                continue;
            }
            expectedKeys << name;
            const QString expected = key.source == settings::DefaultSource::WindowsDirectory
                                         ? settings::AgentnmDefault(Module1::WindowsDirectory())
                                         : key.defaultText.toString();
            QVERIFY2(file.contains(name), qPrintable(name));
            QCOMPARE(file.value(name), expected);
        }
        expectedKeys.sort();
        QStringList written = file.keys();
        written.sort();
        QCOMPARE(written, expectedKeys);
        QCOMPARE(file.value(u"accountno"_s), u"0"_s);
        QCOMPARE(file.value(u"Volval"_s), u"30000"_s);
        QCOMPARE(file.value(u"HukifontS"_s), u"9"_s);
    }

    void roundTripChangesNothing()
    {
        const StoreMap prepared = nonDefaultStore(sample_);
        LoadedForm w(prepared);
        QVERIFY(w.boxes.seen.empty());
        QVERIFY(w.form.AgentCharacter);
        const StoreMap before = storeFileContents();
        QCOMPARE(before, prepared);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.keys, saveOrderNames());
        QVERIFY(w.boxes.seen.empty());
        const StoreMap after = storeFileContents();
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
        QCOMPARE(after.keys(), before.keys());
    }

    // No text box has a length limit: a long stored text survives an OK that
    // changed nothing, a long pasted text is stored whole, and every text box
    // of both windows holds such a text.
    void longTextsAreKeptWhole()
    {
        const QString text = QString(40000, u'┌');
        StoreMap prepared = nonDefaultStore(sample_);
        prepared.insert(u"Notstr"_s, text);
        LoadedForm w(prepared);
        QGuiApplication::clipboard()->setText(text);
        w.form.Text1[0]->clear();
        QTest::keyClick(w.form.Text1[0], Qt::Key_V, Qt::ControlModifier);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"Notstr"_s).size(), text.size());
        QCOMPARE(writes.texts.value(u"Talkstr1"_s).size(), text.size());

        accountform account;
        for (QLineEdit* box : account.findChildren<QLineEdit*>() + w.form.findChildren<QLineEdit*>()) {
            box->setText(text);
            QVERIFY2(box->text() == text, qPrintable(box->objectName()));
        }
    }

    // Without a character the six lists are empty; the stored choices are
    // written back rather than wiped to "0".
    void noCharacterKeepsTheStoredAnimations()
    {
        StoreMap prepared = nonDefaultStore(u"\\missing\\Nobody.acs"_s);
        LoadedForm w(prepared);
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        w.form.OkBt_Click();
        const StoreMap after = storeFileContents();
        for (int i = 1; i <= 6; ++i) {
            const QString key = u"Actkind"_s + QString::number(i);
            QCOMPARE(after.value(key), prepared.value(key));
        }
        QCOMPARE(after.value(u"Agentnm"_s), u"\\missing\\Nobody.acs"_s);
    }

    // With a character, a list without a selection is stored as "0".
    void listWithoutSelectionStoresZero()
    {
        LoadedForm w({{u"Agentnm"_s, sample_}, {u"Actkind3"_s, u"Missing"_s}});
        QCOMPARE(w.form.Combo1[2]->currentIndex(), -1);
        w.form.Combo1[4]->setCurrentIndex(3);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"Actkind3"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Actkind5"_s), u"Wave"_s);
        QCOMPARE(writes.texts.value(u"Actkind1"_s), u"Congratulate"_s);
    }

    void emptyTextsFollowTheSaveRule()
    {
        LoadedForm w({{u"Agentnm"_s, u"\\missing\\Nobody.acs"_s}});
        w.form.Text1[2]->clear();
        w.form.Notstrbox->clear();
        w.form.AgentBox->clear();
        w.form.Wavbox->clear();
        w.form.timerbox1->setText(u"-3"_s);
        w.form.timerbox3->setText(u" +15 "_s);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"Talkstr3"_s), QString());
        QCOMPARE(writes.texts.value(u"Notstr"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Agentnm"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Wavdir"_s), QString());
        QCOMPARE(writes.texts.value(u"Checktimerval"_s), u"-3"_s);
        QCOMPARE(writes.texts.value(u"Timeupval"_s), u"15"_s);
    }

    void changedControlsReachTheStore()
    {
        LoadedForm w({{u"Agentnm"_s, sample_}});
        optionform& f = w.form;
        f.option5->setChecked(true);
        f.Check3->setChecked(false);
        f.option1->setChecked(false); // locks timerbox2 at "0"
        f.Mailerbox[2]->setText(u"/opt/mailer"_s);
        f.talkcntbox->setText(u"7"_s);
        f.scr_Vol->setValue(f.scr_Vol->minimum());
        f.scr_Pitch->setValue(180);
        f.Combo3->setCurrentIndex(f.Combo3->findText(u"72"_s));
        f.Combo1[5]->setCurrentIndex(2);
        f.AgentBox->setText(u"C:\\typed\\Other.acs"_s); // saved, though not loaded
        WriteRecorder writes;
        f.OkBt_Click();
        QCOMPARE(writes.texts.value(u"Option5value"_s), u"1"_s);
        QCOMPARE(writes.texts.value(u"Check3value"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Option1value"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Closetimerval"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Mailerdir2"_s), u"/opt/mailer"_s);
        QCOMPARE(writes.texts.value(u"Talkcnt"_s), u"7"_s);
        QCOMPARE(writes.texts.value(u"Volval"_s), u"0"_s);
        QCOMPARE(writes.texts.value(u"Pitchval"_s), u"180"_s);
        QCOMPARE(writes.texts.value(u"HukifontS"_s), u"72"_s);
        QCOMPARE(writes.texts.value(u"Actkind6"_s), u"Read"_s);
        QCOMPARE(writes.texts.value(u"Agentnm"_s), u"C:\\typed\\Other.acs"_s);
    }

    // The account count is written from the shared count, not from the rows.
    void accountCountComesFromTheSharedCount()
    {
        LoadedForm w({{u"Agentnm"_s, u"\\missing\\Nobody.acs"_s}});
        Module1::AccountCount = 4;
        WriteRecorder writes;
        w.form.OkBt_Click();
        QCOMPARE(writes.texts.value(u"accountno"_s), u"4"_s);
    }

    void cancelWritesNothing()
    {
        LoadedForm w(nonDefaultStore(sample_));
        const QByteArray before = readStoreFile();
        QSignalSpy ending(&w.form, &optionform::programEnding);
        w.form.timerbox1->setText(u"99"_s);
        w.form.option2->setChecked(true);
        Module1::AccountCount = 7;
        WriteRecorder writes;
        w.form.CancelBt_Click();
        QCOMPARE(ending.size(), 1);
        QVERIFY(writes.keys.isEmpty());
        QVERIFY(Module1::SyncSettings());
        QCOMPARE(readStoreFile(), before);
    }

    void titleBarCloseIsCancel()
    {
        LoadedForm w(nonDefaultStore(sample_));
        const QByteArray before = readStoreFile();
        QSignalSpy ending(&w.form, &optionform::programEnding);
        WriteRecorder writes;
        w.form.close();
        QCOMPARE(ending.size(), 1);
        QVERIFY(writes.keys.isEmpty());
        QCOMPARE(readStoreFile(), before);
    }

    // A typed number that is not a 16-bit whole number, or a typed text that
    // cannot be one line of the store file: the field is named,
    // gets the focus, nothing is written and the window stays open.
    void badTypedNumberWritesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("key");
        const QString interval = u"ﾒｰﾙﾁｪｯｸの間隔(分)"_s;
        const QString close = u"ﾎﾟｯﾌﾟｱｯﾌﾟを閉じるまでの秒数"_s;
        const QString timeUp = u"ﾀｲﾑｱｯﾌﾟ(秒)"_s;
        const QString lines = u"読み上げ行数"_s;
        QTest::newRow("timerbox1 empty")
            << u"timerbox1"_s << QString() << interval << 0 << u"Checktimerval"_s;
        QTest::newRow("timerbox2 letters") << u"timerbox2"_s << u"abc"_s << close << 0 << u"Closetimerval"_s;
        QTest::newRow("timerbox3 too big") << u"timerbox3"_s << u"32768"_s << timeUp << 0 << u"Timeupval"_s;
        QTest::newRow("timerbox3 a fraction") << u"timerbox3"_s << u"1.5"_s << timeUp << 0 << u"Timeupval"_s;
        QTest::newRow("talkcntbox full-width digits")
            << u"talkcntbox"_s << u"１０"_s << lines << 1 << u"Talkcnt"_s;
        QTest::newRow("Text1(2) line break")
            << u"Text1(2)"_s << u"a\nb"_s << u"ﾒｰﾙ毎2"_s << 1 << u"Talkstr3"_s;
        QTest::newRow("Notstrbox NUL")
            << u"Notstrbox"_s << u"a"_s + QChar(0) << u"表示、読み上げをしない文字"_s << 0 << u"Notstr"_s;
        QTest::newRow("Mailerbox(1) CR")
            << u"Mailerbox(1)"_s << u"a\r"_s << u"ﾒｰﾗｰ1"_s << 0 << u"Mailerdir1"_s;
        QTest::newRow("talkcntbox too small") << u"talkcntbox"_s << u"-32769"_s << lines << 1 << u"Talkcnt"_s;
    }
    void badTypedNumberWritesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, caption);
        QFETCH(int, page);
        QFETCH(QString, key);
        LoadedForm w(nonDefaultStore(sample_));
        auto* box = w.form.findChild<QLineEdit*>(field);
        QVERIFY(box);
        w.form.option1->setChecked(true); // the stored popup is off, which locks timerbox2
        box->setText(typed);
        w.form.SSTab1->setCurrentIndex(3);
        const QByteArray before = readStoreFile();
        QSignalSpy ending(&w.form, &optionform::programEnding);
        WriteRecorder writes;
        w.form.OkBt_Click();
        QVERIFY(writes.keys.isEmpty());
        QCOMPARE(ending.size(), 0);
        QVERIFY(w.form.isVisible());
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        QCOMPARE(w.boxes.seen.front().title, u"QuorvixLAN"_s);
        QCOMPARE(w.boxes.seen.front().icon, QMessageBox::Warning);
        QVERIFY(w.boxes.seen.front().text.startsWith(caption));
        QCOMPARE(w.form.SSTab1->currentIndex(), page);
        QCOMPARE(w.form.focusWidget(), box);
        QCOMPARE(box->text(), typed); // nothing typed is lost
        QVERIFY(Module1::SyncSettings());
        QCOMPARE(readStoreFile(), before);

        // Once corrected, OK saves and ends.
        box->setText(u"5"_s);
        w.form.OkBt_Click();
        QCOMPARE(ending.size(), 1);
        QCOMPARE(writes.keys, saveOrderNames());
        QCOMPARE(storeFileContents().value(key), u"5"_s);
    }

    void refusedWriteKeepsTheWindowOpen()
    {
        LoadedForm w({{u"Agentnm"_s, sample_}, {u"Talkcnt"_s, u"3"_s}});
        QSignalSpy ending(&w.form, &optionform::programEnding);
        w.form.talkcntbox->setText(u"8"_s);
        {
            BlockedStore blocked;
            QVERIFY(blocked.ok());
            w.form.OkBt_Click();
        }

        QCOMPARE(ending.size(), 0);
        QVERIFY(w.form.isVisible());
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        const SeenMessageBox& box = w.boxes.seen.front();
        QCOMPARE(box.title, u"QuorvixLAN"_s);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY(box.text.startsWith(u"設定を保存できませんでした\r\n"_s));
        QVERIFY(box.text.contains(Module1::StoreFilePath()));
        // The user's sentence in the text, the system's own words beneath it.
        QVERIFY(box.text.endsWith(dialogs::storeProblemSentence(settings::StoreProblem::Kind::ReadOnly)));
        QVERIFY(!box.informativeText.isEmpty());
        QCOMPARE(w.form.talkcntbox->text(), u"8"_s);

        // The refused options must not reach the disk with some later
        // action's sync (an account saved before the user presses Cancel).
        Module1::WriteSetting(u"Aname1"_s, u"later action"_s);
        QVERIFY(Module1::SyncSettings());
        QCOMPARE(storeFileContents().value(u"Talkcnt"_s), u"3"_s);
        QCOMPARE(storeFileContents().value(u"Aname1"_s), u"later action"_s);

        // Once the folder is back, OK saves and ends.
        w.form.OkBt_Click();
        QCOMPARE(ending.size(), 1);
        QCOMPARE(storeFileContents().value(u"Talkcnt"_s), u"8"_s);
    }
};

QUORVIX_TEST_MAIN(OptionformSaveTest)
#include "tst_optionform_save.moc"
