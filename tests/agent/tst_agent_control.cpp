// The agent control as the options window uses it, and the character window.

#include "AcsBuilder.h"
#include "AgentClock.h"
#include "AgentControl.h"
#include "LoadedCharacter.h"
#include "StoreFiles.h"
#include "TestMain.h"

#include <QBitmap>
#include <QTemporaryDir>

using namespace agent;
using quorvix::test::writeFile;

namespace {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AgentError& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TestAgentControl : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        control_ = std::make_unique<AgentControl>();
        control_->Characters().setClock(&clock_);
        control_->Characters().setSoundEnabled(false);
        samplePath_ =
            writeFile(dir_.path(), QStringLiteral("sample.acs"), test::buildAcs(test::sampleCharacter()));
    }
    void cleanup() { control_.reset(); }

    void loadsLooksUpAndUnloadsById()
    {
        CharacterCollection& characters = control_->Characters();
        characters.Load(QStringLiteral("Agent"), samplePath_);
        QVERIFY(characters.contains(QStringLiteral("Agent")));
        QStringList inFileOrder;
        for (const test::TestAnimation& a : test::sampleCharacter().animations)
            inFileOrder << a.name;
        QCOMPARE(characters(QStringLiteral("Agent")).AnimationNames(), inFileOrder);
        QVERIFY(errorOf([&] {
                    characters.Load(QStringLiteral("Agent"), samplePath_);
                }).contains(QStringLiteral("already")));
        auto* window = &dynamic_cast<LoadedCharacter&>(characters(QStringLiteral("Agent"))).window();
        QVERIFY(QApplication::topLevelWidgets().contains(window));
        characters.Unload(QStringLiteral("Agent"));
        QVERIFY(!characters.contains(QStringLiteral("Agent")));
        QVERIFY(!QApplication::topLevelWidgets().contains(window));
        QVERIFY(!errorOf([&] { characters.Unload(QStringLiteral("Agent")); }).isEmpty());
        QVERIFY(!errorOf([&] { characters(QStringLiteral("Agent")); }).isEmpty());
    }

    void loadFailuresNameTheFile()
    {
        CharacterCollection& characters = control_->Characters();
        const QString missing = dir_.filePath(QStringLiteral("missing.acs"));
        QVERIFY(errorOf([&] { characters.Load(QStringLiteral("Agent"), missing); }).startsWith(missing));
        QByteArray damaged = test::buildAcs(test::sampleCharacter());
        damaged.truncate(damaged.size() - 20);
        const QString path = writeFile(dir_.path(), QStringLiteral("damaged.acs"), damaged);
        const QString message = errorOf([&] { characters.Load(QStringLiteral("Agent"), path); });
        QVERIFY2(message.startsWith(path) && message.contains(QStringLiteral("offset")), qPrintable(message));
        QVERIFY(!characters.contains(QStringLiteral("Agent")));
    }

    void theWindowIsAFramelessToolThatTakesNoFocus()
    {
        control_->Characters().Load(QStringLiteral("Agent"), samplePath_);
        auto& character = dynamic_cast<LoadedCharacter&>(control_->Characters()(QStringLiteral("Agent")));
        const CharacterWindow& window = character.window();
        for (Qt::WindowType flag :
             {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint, Qt::WindowDoesNotAcceptFocus})
            QVERIFY(window.windowFlags().testFlag(flag));
        QCOMPARE(window.windowType(), Qt::Tool);
        QVERIFY(window.testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(window.size(), QSize(8, 6));
        QVERIFY(!window.isVisible()); // nothing shows before Show
        QVERIFY(character.IdleOn());  // as the real control, it idles unless told not to
    }

    void placesShowsAndPlays()
    {
        control_->Characters().Load(QStringLiteral("Agent"), samplePath_);
        AgentCharacter& agent = control_->Characters()(QStringLiteral("Agent"));
        auto& loaded = dynamic_cast<LoadedCharacter&>(agent);
        agent.setLeft(300);
        agent.setTop(-20);
        QCOMPARE(agent.Left(), 300);
        QCOMPARE(agent.Top(), -20);
        agent.Show();
        QVERIFY(loaded.window().isVisible());
        QCOMPARE(loaded.window().pos(), QPoint(300, -20));
        QCOMPARE(loaded.player().displayed().animation, 1); // the Showing state's animation
        // The window's shape is exactly the character's opaque pixels.
        const QImage& frame = loaded.window().frame();
        QCOMPARE(loaded.window().mask(), QRegion(QBitmap::fromImage(frame.createAlphaMask())));
        QCOMPARE(qAlpha(frame.pixel(0, 0)), 0);
        QCOMPARE(frame.pixel(1, 5), 0xFFFF0000u);

        QVERIFY(errorOf([&] { agent.Play(QStringLiteral("Nothing")); }).contains(QStringLiteral("Nothing")));
        agent.Play(QStringLiteral("Wave"));
        QCOMPARE(loaded.player().queuedCount(), 1); // waits for Show to end
        clock_.advance(1000);
        loaded.player().advance();
        QCOMPARE(loaded.player().displayed(), (AnimationPlayer::Position{2, 3}));
        QCOMPARE(loaded.window().frame().pixel(5, 2), 0xFF0000FFu); // the raised arm
    }

    void shownAfterTheFirstFrameOfAnOpeningWindow()
    {
        control_->Characters().Load(QStringLiteral("Agent"), samplePath_);
        auto& loaded = dynamic_cast<LoadedCharacter&>(control_->Characters()(QStringLiteral("Agent")));
        QWidget opening;
        loaded.ShowAfterFirstFrameOf(&opening);
        QCOMPARE(loaded.player().displayed().animation, 1); // the showing animation has started
        QCoreApplication::processEvents();
        QVERIFY(!loaded.window().isVisible()); // the opening window has not been drawn yet
        opening.show();
        QTRY_VERIFY(loaded.window().isVisible());
        QCOMPARE(loaded.window().mask(), QRegion(QBitmap::fromImage(loaded.window().frame().createAlphaMask())));
    }

    void aBlankFrameLeavesNoPixel()
    {
        test::TestCharacter t = test::sampleCharacter();
        t.animations[0].frames[0].images.clear(); // RestPose: a blank frame shown for 100 ms
        control_->Characters().Load(QStringLiteral("Agent"),
                                    writeFile(dir_.path(), QStringLiteral("b.acs"), test::buildAcs(t)));
        auto& agent = dynamic_cast<LoadedCharacter&>(control_->Characters()(QStringLiteral("Agent")));
        agent.Show();
        agent.Play(QStringLiteral("RestPose"));
        agent.Play(QStringLiteral("Show"));
        clock_.advance(300);
        agent.player().advance();
        QCOMPARE(agent.player().displayed().animation, 0);
        const CharacterWindow& window = agent.window();
        QVERIFY(!window.mask().isEmpty()); // a shape that holds no pixel of the window, not no shape
        QVERIFY(window.mask().intersected(window.rect()).isEmpty());
        clock_.advance(100);
        agent.player().advance();
        QCOMPARE(window.mask(),
                 QRegion(QBitmap::fromImage(window.frame().createAlphaMask()))); // back in view
        QVERIFY(!window.mask().isEmpty());
    }

    void soundWithoutAnAudioDeviceIsSkippedQuietly()
    {
        AgentControl control;
        ManualClock clock;
        control.Characters().setClock(&clock);
        control.Characters().Load(QStringLiteral("Agent"), samplePath_);
        AgentCharacter& agent = control.Characters()(QStringLiteral("Agent"));
        agent.Show(); // its frames carry a PCM and an ADPCM sound
        clock.advance(100);
        dynamic_cast<LoadedCharacter&>(agent).player().advance();
        QCOMPARE(dynamic_cast<LoadedCharacter&>(agent).player().displayed().frame, 1);
    }

    void showsARealCharacter()
    {
        const QString dir = quorvix::test::realCharactersDir();
        if (dir.isEmpty())
            QSKIP("no real characters in this checkout");
        control_->Characters().Load(QStringLiteral("Agent"), dir + QStringLiteral("/Merlin.acs"));
        auto& merlin = dynamic_cast<LoadedCharacter&>(control_->Characters()(QStringLiteral("Agent")));
        merlin.Show();
        QCOMPARE(merlin.AnimationNames().at(merlin.player().displayed().animation), QStringLiteral("Show"));
        clock_.advance(60'000);
        merlin.player().advance();
        QVERIFY(merlin.player().idleLevel() > 0); // left alone, it idles
        QVERIFY(!merlin.window().mask().isEmpty());
    }

private:
    QTemporaryDir dir_;
    ManualClock clock_;
    std::unique_ptr<AgentControl> control_;
    QString samplePath_;
};

QUORVIX_TEST_MAIN(TestAgentControl)
#include "tst_agent_control.moc"
