// The animation player as a state machine, driven by a clock the test steps.

#include "AcsBuilder.h"
#include "AcsReader.h"
#include "AgentControl.h"
#include "AnimationPlayer.h"
#include "TestMain.h"

#include <QSignalSpy>

using namespace agent;

namespace {

using Position = AnimationPlayer::Position;

struct Rig
{
    explicit Rig(const test::TestCharacter& t = test::sampleCharacter())
        : character(AcsReader::readBytes(test::buildAcs(t), QStringLiteral("t.acs"))),
          player(character, clock)
    {
        player.setAutoAdvance(false);
        player.setRandomSeed(7);
    }
    int index(const char* name) const { return character.findAnimation(QLatin1String(name)); }
    Position at(const char* name, int frame) const { return {index(name), frame}; }
    // Steps the clock by ms in 1 ms ticks, recording each distinct frame on view.
    QList<std::pair<qint64, Position>> run(qint64 ms)
    {
        QList<std::pair<qint64, Position>> seen;
        for (qint64 i = 0; i < ms; ++i) {
            clock.advance(1);
            const Position before = player.displayed();
            player.advance();
            if (!(player.displayed() == before))
                seen.append({clock.nowMs(), player.displayed()});
        }
        return seen;
    }

    AcsCharacter character;
    ManualClock clock;
    AnimationPlayer player;
};

// The sample with idling states: two level-1 animations, a return-type one at
// level 2 and a looping one at level 3.
test::TestCharacter idlingSample()
{
    test::TestCharacter t = test::sampleCharacter();
    t.states.push_back(
        {QStringLiteral("IDLINGLEVEL1"), {QStringLiteral("PICK"), QStringLiteral("MOVERETURN")}});
    t.states.push_back({QStringLiteral("IDLINGLEVEL2"), {QStringLiteral("MOVE")}});
    t.states.push_back({QStringLiteral("IDLINGLEVEL3"), {QStringLiteral("LOOP")}});
    return t;
}

} // namespace

class TestAgentPlayer : public QObject
{
    Q_OBJECT

private slots:
    void holdsEachFrameForItsDurationAndRestsOnTheLastShown()
    {
        Rig rig;
        QSignalSpy sounds(&rig.player, &AnimationPlayer::soundStarted);
        QSignalSpy idle(&rig.player, &AnimationPlayer::cameToRest);
        rig.player.play(QStringLiteral("show")); // names are found whatever their case
        QCOMPARE(rig.player.displayed(), rig.at("Show", 0));
        QCOMPARE(rig.player.nextStepMs(), 100);
        const auto seen = rig.run(400);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].first, 100);
        QCOMPARE(seen[0].second, rig.at("Show", 1));
        // The invisible end frame is never shown: the character rests on frame 1.
        QCOMPARE(rig.player.displayed(), rig.at("Show", 1));
        QVERIFY(rig.player.isResting());
        QCOMPARE(idle.size(), 1);
        QCOMPARE(sounds.size(), 2);
        QCOMPARE(sounds[1][0].toInt(), 1);
    }

    void framesStartAtTheSumOfDurationsHoweverLateTheTick()
    {
        Rig rig;
        QSignalSpy started(&rig.player, &AnimationPlayer::frameStarted);
        rig.player.play(QStringLiteral("Wave"));
        rig.clock.advance(107); // a late timer
        rig.player.advance();
        rig.clock.advance(96);
        rig.player.advance();
        QCOMPARE(started.size(), 3);
        QCOMPARE(started[1][2].toLongLong(), 100);
        QCOMPARE(started[2][2].toLongLong(), 200); // not 207
        QCOMPARE(rig.player.nextStepMs(), 300);
    }

    void branchesFollowTheSeededDraw()
    {
        // "Pick" jumps from frame 0 to frame 2 with probability 50, else goes to frame 1.
        auto firstStep = [](quint32 seed) {
            Rig rig;
            rig.player.setRandomSeed(seed);
            rig.player.play(QStringLiteral("Pick"));
            rig.clock.advance(100);
            rig.player.advance();
            return rig.player.displayed().frame;
        };
        QSet<int> outcomes;
        for (quint32 seed = 0; seed < 40; ++seed) {
            QCOMPARE(firstStep(seed), firstStep(seed)); // reproducible
            outcomes.insert(firstStep(seed));
        }
        QCOMPARE(outcomes, (QSet<int>{1, 2}));
    }

    void aRequestEndsALoopThroughTheCurrentFramesExit()
    {
        Rig rig;
        rig.player.play(QStringLiteral("Loop"));
        rig.run(5150);
        QCOMPARE(rig.player.displayed(), rig.at("Loop", 1)); // branch probability 100 loops forever
        rig.player.play(QStringLiteral("RestPose"));
        QCOMPARE(rig.player.displayed(), rig.at("Loop", 0)); // the exit path starts at once
        const auto seen = rig.run(300);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0], std::make_pair(qint64(5250), rig.at("RestPose", 0))); // after its one frame
    }

    void theNextAnimationWaitsForTheExitPath()
    {
        Rig rig;
        rig.player.play(QStringLiteral("Wave"));
        rig.player.play(QStringLiteral("RestPose"));
        const auto seen = rig.run(1000);
        QList<Position> frames{rig.at("Wave", 0)};
        for (const auto& s : seen)
            frames.append(s.second);
        // Up to the arm raised, then back down through the exit branches, then the next animation.
        QCOMPARE(frames, (QList<Position>{rig.at("Wave", 0), rig.at("Wave", 1), rig.at("Wave", 2),
                                          rig.at("Wave", 3), rig.at("Wave", 2), rig.at("Wave", 1),
                                          rig.at("Wave", 0), rig.at("RestPose", 0)}));
        QCOMPARE(seen.last().first, 700); // 4 frames, 3 exit frames, 100 ms each
    }

    void aGestureReturnsToRestBeforeIdling()
    {
        Rig rig(idlingSample());
        rig.player.play(QStringLiteral("Wave"));
        rig.run(400 + AnimationPlayer::kIdleTimeoutMs - 1);
        QCOMPARE(rig.player.displayed(), rig.at("Wave", 3)); // the arm stays up until the idle time-out
        const auto seen = rig.run(400);
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen[0], std::make_pair(qint64(5400), rig.at("Wave", 2))); // then comes down
        QCOMPARE(seen[2].second, rig.at("Wave", 0));
        QCOMPARE(seen[3].first, 5700); // before the first idling animation
        QCOMPARE(rig.player.idleLevel(), 1);

        Rig still(idlingSample());
        still.player.setIdleOn(false);
        still.player.play(QStringLiteral("Wave"));
        still.run(20'000);
        QCOMPARE(still.player.displayed(), still.at("Wave", 3));
        QCOMPARE(still.player.nextStepMs(), std::nullopt);
    }

    void idlingStartsAndRisesThroughTheLevels_data()
    {
        QTest::addColumn<QString>("file"); // empty: the built sample with idling states
        QTest::newRow("sample") << QString();
        QTest::newRow("Pipwren") << QStringLiteral(QUORVIX_PIPWREN_ACS);
        for (const char* name : {"Merlin", "Peedy", "HappyFace", "Character2"})
            QTest::newRow(name)
                << QStringLiteral(QUORVIX_TEST_CHARACTERS_DIR "/%1.acs").arg(QLatin1String(name));
    }

    void idlingStartsAndRisesThroughTheLevels()
    {
        QFETCH(QString, file);
        if (!file.isEmpty() && !QFileInfo::exists(file))
            QSKIP("character file not present");
        const AcsCharacter character =
            file.isEmpty() ? AcsReader::readBytes(test::buildAcs(idlingSample()), QStringLiteral("t.acs"))
                           : AcsReader::readFile(file);
        ManualClock clock;
        AnimationPlayer player(character, clock);
        player.setAutoAdvance(false);
        player.setRandomSeed(7);
        QList<std::array<qint64, 3>> starts; // time, animation, level
        connect(&player, &AnimationPlayer::animationStarted, &player, [&](int animation) {
            starts.append({clock.nowMs(), animation, player.idleLevel()});
        });
        player.show();
        for (; !player.isResting(); clock.advance(10))
            player.advance();
        const qint64 shownAt = clock.nowMs();
        starts.clear();
        for (; clock.nowMs() < shownAt + 240'000; clock.advance(10))
            player.advance();

        auto inState = [&](int level, qint64 animation) {
            const AcsState* state = character.findState(QStringLiteral("IdlingLevel%1").arg(level));
            return state && state->animations.contains(character.animations[size_t(animation)].name,
                                                       Qt::CaseInsensitive);
        };
        if (!character.findState(QStringLiteral("IdlingLevel1"))) {
            QVERIFY(starts.isEmpty()); // nothing to idle with: it simply rests
            QVERIFY(player.isResting());
            return;
        }
        QVERIFY(!starts.isEmpty());
        QVERIFY(starts[0][0] - shownAt <= 10'000);
        for (qsizetype i = 0; i < starts.size(); ++i) {
            const auto [at, animation, level] = starts[i];
            QVERIFY(level >= (i ? starts[i - 1][2] : 1)); // levels only rise
            QVERIFY2(inState(int(level), animation),
                     qPrintable(character.animations[size_t(animation)].name));
        }
        QCOMPARE(starts.last()[2], 3);

        player.show(); // a request ends idling and starts the count again
        QCOMPARE(player.idleLevel(), 0);
        for (const qint64 end = clock.nowMs() + 15'000; clock.nowMs() < end; clock.advance(10))
            player.advance();
        QCOMPARE(player.idleLevel(), 1);
    }

    void returnAnimationPlaysBeforeTheNext()
    {
        Rig rig;
        rig.player.play(QStringLiteral("Move"));
        rig.player.play(QStringLiteral("RestPose"));
        const auto seen = rig.run(1000);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0], std::make_pair(qint64(300), rig.at("MoveReturn", 0)));
        QCOMPARE(seen[1], std::make_pair(qint64(400), rig.at("RestPose", 0)));
    }

    void zeroDurationCyclesCannotHang()
    {
        Rig rig;
        rig.player.play(QStringLiteral("Spin"));
        for (int i = 0; i < 5; ++i) {
            rig.player.advance();
            QVERIFY(rig.player.nextStepMs() > rig.clock.nowMs()); // capped, postponed a tick
            rig.clock.advance(AnimationPlayer::kTickMs);
        }
        rig.player.play(QStringLiteral("RestPose"));
        rig.run(50);
        QCOMPARE(rig.player.displayed(), rig.at("RestPose", 0));
    }

    void showPlaysTheShowingStateAnimation()
    {
        Rig rig;
        rig.player.show();
        QCOMPARE(rig.player.displayed(), rig.at("Show", 0));
    }

    void showWithoutAShowingStateShowsTheFirstFrame()
    {
        test::TestCharacter t = test::sampleCharacter();
        t.states.clear();
        t.animations[0].frames[0].images.clear(); // RestPose holds only a blank frame now
        t.animations[0].frames[0].duration = 0;
        Rig rig(t);
        QSignalSpy changed(&rig.player, &AnimationPlayer::frameChanged);
        rig.player.show();
        QCOMPARE(rig.player.displayed(), rig.at("Show", 0)); // the first visible frame
        QCOMPARE(changed.size(), 1);
        QVERIFY(rig.player.isResting());
    }

    void unknownAnimationsAreErrors()
    {
        Rig rig;
        QVERIFY_THROWS_EXCEPTION(AgentError, rig.player.play(QStringLiteral("Nothing")));
        QVERIFY_THROWS_EXCEPTION(AgentError, rig.player.play(99));
        QVERIFY(rig.player.isResting());
        QVERIFY(!rig.player.displayed().isValid());
    }
};

QUORVIX_TEST_MAIN_CORE(TestAgentPlayer)
#include "tst_agent_player.moc"
