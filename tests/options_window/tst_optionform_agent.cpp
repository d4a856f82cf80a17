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
using namespace quorvix::options;

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

    void roundingGoesToTheEvenNeighbour_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("100.5") << 100.5 << 100;
        QTest::newRow("101.5") << 101.5 << 102;
        QTest::newRow("100.49") << 100.49 << 100;
        QTest::newRow("100.51") << 100.51 << 101;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("32767.4") << 32767.4 << 32767;
        QTest::newRow("-32768.5") << -32768.5 << -32768;
    }
    void roundingGoesToTheEvenNeighbour()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        const std::optional<qint16> rounded = roundToInt16TiesToEven(value);
        QVERIFY(rounded);
        QCOMPARE(int(*rounded), expected);
    }

    void roundingRefusesWhatDoesNotFit()
    {
        QVERIFY(!roundToInt16TiesToEven(32767.5));
        QVERIFY(!roundToInt16TiesToEven(-32769.0));
        QVERIFY(!roundToInt16TiesToEven(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY(!roundToInt16TiesToEven(std::numeric_limits<double>::infinity()));
    }

    void singlePrecisionText()
    {
        QCOMPARE(singleToText(7616.0f), u"7616"_s);
        QCOMPARE(singleToText(5696.0f), u"5696"_s);
        QCOMPARE(singleToText(-64.0f), u"-64"_s);
        QCOMPARE(singleToText(0.0f), u"0"_s);
        QCOMPARE(singleToText(7616.5f), u"7616.5"_s);
        QCOMPARE(singleToText(0.1f), u"0.1"_s);
        QCOMPARE(singleToText(12345678.0f), u"1.234568E+07"_s);
    }

    void storedTwipsToPixels()
    {
        QCOMPARE(twipsTextToPixels(u"1500"_s, 15.0), std::optional<qint16>(100));
        QCOMPARE(twipsTextToPixels(u"1507.5"_s, 15.0), std::optional<qint16>(100)); // 100.5
        QCOMPARE(twipsTextToPixels(u"1522.5"_s, 15.0), std::optional<qint16>(102)); // 101.5
        QCOMPARE(twipsTextToPixels(u" -300 "_s, 15.0), std::optional<qint16>(-20));
        QVERIFY(!twipsTextToPixels(u"abc"_s, 15.0));
        QVERIFY(!twipsTextToPixels(QString(), 15.0));
        QVERIFY(!twipsTextToPixels(u"491520"_s, 15.0)); // 32768 pixels
    }

    // A 1024 x 768 screen at 15 twips per pixel: fallbacks 7616 and 5696 twips.
    void positionFallsBackToTheScreenMiddle()
    {
        prepareStore({});
        QCOMPARE(agentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(508));
        QCOMPARE(agentPosition(u"DefTop", 768 * 15, 15.0), qint16(380));
        prepareStore({{u"DefLeft"_s, u"1500"_s}, {u"DefTop"_s, u"not a number"_s}});
        QCOMPARE(agentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(100));
        QCOMPARE(agentPosition(u"DefTop", 768 * 15, 15.0), qint16(380));
        prepareStore({{u"DefLeft"_s, u"9999999"_s}});
        QCOMPARE(agentPosition(u"DefLeft", 1024 * 15, 15.0), qint16(508));
    }

    void characterIsPlacedAndShown()
    {
        StoreMap store = storeWith(sample_);
        store.insert(u"DefLeft"_s, u"1522.5"_s);
        LoadedForm w(store);
        QVERIFY(w.boxes.seen.empty());
        QVERIFY(w.form.AgentCharacter);
        QCOMPARE(w.form.AgentCharacter->Left(), *twipsTextToPixels(u"1522.5"_s, controls::twipsPerPixelX()));
        const float fallback = float(controls::screenHeightTwips()) / 2.0f - 64.0f;
        QCOMPARE(w.form.AgentCharacter->Top(),
                 *twipsTextToPixels(singleToText(fallback), controls::twipsPerPixelY()));
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
                 agentPosition(u"NoSuchKey", controls::screenWidthTwips(), controls::twipsPerPixelX()));
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
        w.form.AgentPath = bare_;
        w.form.SetAgent();
        QCOMPARE(entries(w.form.Combo1[0]), QStringList{u"Nothing"_s});
        w.form.AgentPath = sample_;
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
        w.form.AgentPath = sample_;
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
        w.form.AgentPath = broken;
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
