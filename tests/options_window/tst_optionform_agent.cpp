// The agent preview: placing the character, the six animation lists and
// their preselection, the Play buttons, and a character file that exists
// but cannot be loaded.

#include "OptionformTestSupport.h"

#include "AcsBuilder.h"
#include "DropDownList.h"
#include "StoredNumbers.h"
#include "Twips.h"
#include "optionform.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace quorvix::test;
using namespace options::test;
using namespace settings;

namespace {

StoreMap storeWith(const QString& agentFile, const QStringList& actkind = {})
{
    StoreMap store{{u"Agentnm"_s, agentFile}};
    for (int i = 0; i < actkind.size(); ++i)
        store.insert(u"Actkind"_s + QString::number(i + 1), actkind[i]);
    return store;
}

QStringList entries(const controls::DropDownList* list)
{
    QStringList texts;
    for (int k = 0; k < list->count(); ++k)
        texts << list->itemText(k);
    return texts;
}

} // namespace

class OptionformAgentTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString sample_; // animations Congratulate, Read, Wave, read
    QString bare_;   // no animations at all

private slots:
    void cleanup() { clearProgramEnd(); }

    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        sample_ = writeSampleCharacter(dir_);
        bare_ = writeFile(dir_.path(), u"Bare.acs"_s, agent::test::buildAcs(agent::test::characterWith({})));
        QVERIFY(!sample_.isEmpty() && !bare_.isEmpty());
    }

    void characterIsPlacedAndShown()
    {
        StoreMap store = storeWith(sample_);
        store.insert(u"DefLeft"_s, u"1522.5"_s);
        LoadedForm w(store);
        QVERIFY(w.boxes.seen.empty());
        QVERIFY(w.form.AgentCharacter);
        QCOMPARE(w.form.AgentCharacter->Left(), *TwipsTextToPixels(u"1522.5"_s, controls::twipsPerPixelX()));
        const float fallback = float(controls::screenHeightTwips()) / 2.0f - 64.0f;
        QCOMPARE(w.form.AgentCharacter->Top(),
                 *TwipsTextToPixels(SingleToText(fallback), controls::twipsPerPixelY()));
    }

    // The mail checker stores its character's place while this window is
    // open; choosing a character again places it there, not where it stood
    // when the window opened.
    void aCharacterChosenLaterIsPlacedWhereTheStoreSaysNow()
    {
        LoadedForm w(storeWith(sample_));
        overwriteStoreFile(readStoreFile() + "DefLeft=3000\nDefTop=1500\n");
        w.form.SetAgent();
        QVERIFY(w.form.AgentCharacter);
        QCOMPARE(w.form.AgentCharacter->Left(), *TwipsTextToPixels(u"3000"_s, controls::twipsPerPixelX()));
        QCOMPARE(w.form.AgentCharacter->Top(), *TwipsTextToPixels(u"1500"_s, controls::twipsPerPixelY()));
    }

    void badStoredPositionUsesTheFallback()
    {
        StoreMap store = storeWith(sample_);
        store.insert(u"DefLeft"_s, u"left"_s);
        store.insert(u"DefTop"_s, u"1e9"_s);
        LoadedForm w(store);
        QVERIFY(w.boxes.seen.empty());
        QVERIFY(w.form.AgentCharacter);
        QCOMPARE(w.form.AgentCharacter->Left(),
                 AgentPosition(u"NoSuchKey", controls::screenWidthTwips(), controls::twipsPerPixelX()));
    }

    void listsHoldNothingThenEveryAnimation()
    {
        LoadedForm w(storeWith(sample_));
        const QStringList expected{u"Nothing"_s, u"Congratulate"_s, u"Read"_s, u"Wave"_s, u"read"_s};
        for (const controls::DropDownList* list : w.form.Combo1) {
            QCOMPARE(entries(list), expected);
            QVERIFY(!list->isHidden());
        }
        // The defaults: Congratulate, Read, then Nothing.
        QCOMPARE(w.form.Combo1[0]->currentIndex(), 1);
        QCOMPARE(w.form.Combo1[1]->currentIndex(), 2);
        for (std::size_t i = 2; i < 6; ++i)
            QCOMPARE(w.form.Combo1[i]->currentIndex(), 0);
    }

    void realCharacterListsItsAnimationsInOrder()
    {
        const QString dir = realCharactersDir();
        if (dir.isEmpty())
            QSKIP("no real characters on this machine");
        const QString file = dir + u"/Merlin.acs"_s;
        LoadedForm w(storeWith(file));
        QVERIFY(w.boxes.seen.empty());
        QVERIFY(w.form.AgentCharacter);
        const QStringList names = w.form.AgentCharacter->AnimationNames();
        QVERIFY(names.size() > 10);
        QCOMPARE(entries(w.form.Combo1[5]), QStringList{u"Nothing"_s} + names);
    }

    // Exact, case-sensitive: "read" picks "read", "READ" and the saved "0" pick nothing.
    void preselectionIsCaseSensitive()
    {
        LoadedForm w(storeWith(sample_, {u"READ"_s, u"read"_s, u"0"_s, u"Wave"_s, u""_s, u"Nothing"_s}));
        QCOMPARE(w.form.Combo1[0]->currentIndex(), -1);
        QCOMPARE(w.form.Combo1[1]->currentText(), u"read"_s);
        QCOMPARE(w.form.Combo1[1]->currentIndex(), 4);
        QCOMPARE(w.form.Combo1[2]->currentIndex(), -1);
        QCOMPARE(w.form.Combo1[3]->currentText(), u"Wave"_s);
        QCOMPARE(w.form.Combo1[4]->currentIndex(), -1);
        QCOMPARE(w.form.Combo1[5]->currentIndex(), 0);
    }

    void characterWithoutAnimations()
    {
        LoadedForm w(storeWith(bare_));
        QVERIFY(w.boxes.seen.empty());
        for (std::size_t i = 0; i < 6; ++i) {
            QCOMPARE(entries(w.form.Combo1[i]), QStringList{u"Nothing"_s});
            QCOMPARE(w.form.Combo1[i]->currentIndex(), i < 2 ? -1 : 0);
        }
    }

    // Another SetAgent (the agent picker) reloads and restores the stored choices.
    void settingTheAgentAgainRebuildsTheLists()
    {
        LoadedForm w(storeWith(sample_));
        w.form.Combo1[0]->setCurrentIndex(3);
        w.form.Options.AgentPath = bare_;
        w.form.SetAgent();
        QCOMPARE(entries(w.form.Combo1[0]), QStringList{u"Nothing"_s});
        w.form.Options.AgentPath = sample_;
        w.form.SetAgent();
        QVERIFY(w.boxes.seen.empty());
        QCOMPARE(w.form.Combo1[0]->count(), 5);
        QCOMPARE(w.form.Combo1[0]->currentText(), u"Congratulate"_s);
        QVERIFY(w.form.Agent1.Characters().contains(u"Agent"_s));
    }

    void playIgnoresEveryFailure()
    {
        LoadedForm w(storeWith(sample_));
        w.form.Combo1[0]->setCurrentIndex(0); // "Nothing" names no animation
        w.form.Command4_Click(0);
        w.form.Combo1[1]->setCurrentIndex(-1);
        w.form.Command4_Click(1);
        w.form.Combo1[2]->setCurrentIndex(3); // Wave really plays
        w.form.Command4[2]->click();
        w.form.Command4_Click(6);
        w.form.Command4_Click(-1);
        QVERIFY(w.boxes.seen.empty());
    }

    void playWithoutACharacterDoesNothing()
    {
        LoadedForm w(storeWith(u"\\missing\\Nobody.acs"_s));
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        for (int i = 0; i < 6; ++i)
            w.form.Command4_Click(i);
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
    }

    // A file that exists but is no character: a warning naming the file, and
    // the window goes on without a character.
    void unloadableCharacterIsReported()
    {
        const QString broken =
            writeFile(dir_.path(), u"Broken.acs"_s, QByteArray("this is not a character file"));
        LoadedForm w(storeWith(broken, {u"Wave"_s, u"Read"_s, u"Greet"_s, u"0"_s, u"Nothing"_s, u"x"_s}));
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        const SeenMessageBox& box = w.boxes.seen.front();
        QCOMPARE(box.title, u"QuorvixLAN"_s);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(box.text.startsWith(u"エージェントを読み込めません\r\n"_s));
        QVERIFY(box.text.contains(broken));
        QVERIFY(box.text.contains(u"エージェントのファイルではないか、ファイルが壊れています"_s));
        QVERIFY(w.form.isVisible());
        QVERIFY(w.form.AgentLoaded);
        QVERIFY(!w.form.AgentCharacter);
        QVERIFY(!w.form.Agent1.Characters().contains(u"Agent"_s));
        for (const controls::DropDownList* list : w.form.Combo1) {
            QCOMPARE(list->count(), 0);
            QVERIFY(!list->isHidden());
        }
        for (int i = 0; i < 6; ++i)
            w.form.Command4_Click(i);
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));

        // The picker can still load a good file afterwards.
        w.form.Options.AgentPath = sample_;
        w.form.SetAgent();
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        QVERIFY(w.form.AgentCharacter);
        QCOMPARE(w.form.Combo1[0]->currentText(), u"Wave"_s);
    }

    // A good character replaced by a broken one: the old one goes, its names too.
    void brokenReplacementLeavesNoStaleCharacter()
    {
        const QString broken = writeFile(dir_.path(), u"Short.acs"_s, QByteArray(3, 'x'));
        LoadedForm w(storeWith(sample_));
        w.form.Options.AgentPath = broken;
        w.form.SetAgent();
        QCOMPARE(w.boxes.seen.size(), std::size_t(1));
        QVERIFY(!w.form.AgentCharacter);
        for (const controls::DropDownList* list : w.form.Combo1)
            QCOMPARE(list->count(), 0);
        w.form.Command4_Click(0);
    }
};

QUORVIX_TEST_MAIN(OptionformAgentTest)
#include "tst_optionform_agent.moc"
