// The generated default character as the program's own reader sees it:
// names, states and frame counts the options window relies on, every image
// and frame decodable, regions matching pixels, exit paths that end, and a
// file that rebuilds byte for byte.

#include "AcsImage.h"
#include "AcsReader.h"
#include "AcsWriter.h"
#include "AgentControl.h"
#include "PipwrenCharacter.h"
#include "TestMain.h"
#include "WaveDecoder.h"

#include <QFile>

#include <set>

using namespace Qt::StringLiterals;

class PipwrenFileTest : public QObject
{
    Q_OBJECT

private:
    agent::AcsCharacter character_;

    const agent::AcsAnimation& animation(const QString& name)
    {
        const int index = character_.findAnimation(name);
        if (index < 0)
            qFatal("no animation %s", qPrintable(name));
        return character_.animations[std::size_t(index)];
    }

    static QImage restImage(const agent::AcsCharacter& c, agent::AcsImageCache& cache)
    {
        return agent::composeFrame(c, cache,
                                   c.animations[std::size_t(c.findAnimation(u"RestPose"_s))].frames[0]);
    }

private slots:
    void initTestCase() { character_ = agent::AcsReader::readFile(QStringLiteral(QUORVIX_PIPWREN_ACS)); }

    void describesItself()
    {
        QCOMPARE(character_.name(0x0409), u"Pipwren"_s);
        QCOMPARE(character_.name(0x0411), u"Pipwren"_s);
        QCOMPARE(character_.guid, QUuid(u"{6F1C2B7A-3D94-4E58-A1C7-92B0E4D35F18}"_s));
        QCOMPARE(character_.width, 128);
        QCOMPARE(character_.height, 128);
        QCOMPARE(character_.flags & 0x20u, 0u); // no voice
        QCOMPARE(character_.palette.size(), 256);
    }

    void animationsInFileOrder()
    {
        QCOMPARE(character_.animationNames(),
                 QStringList({u"Show"_s, u"Hide"_s, u"RestPose"_s, u"Blink"_s, u"Greet"_s, u"Wave"_s,
                              u"Congratulate"_s, u"Read"_s, u"Idle1_1"_s, u"Idle1_2"_s, u"Acknowledge"_s,
                              u"Pleased"_s, u"GetAttention"_s}));
        const std::map<QString, std::size_t> frames{
            {u"Show"_s, 9},    {u"Hide"_s, 9},        {u"RestPose"_s, 1},      {u"Blink"_s, 5},
            {u"Greet"_s, 9},   {u"Wave"_s, 9},        {u"Congratulate"_s, 12}, {u"Read"_s, 11},
            {u"Idle1_1"_s, 8}, {u"GetAttention"_s, 8}};
        for (const auto& [name, count] : frames)
            QCOMPARE(animation(name).frames.size(), count);
    }

    void statesNameExistingAnimations()
    {
        const auto states = [this](const QString& name) {
            const agent::AcsState* state = character_.findState(name);
            return state ? state->animations : QStringList{u"<missing>"_s};
        };
        QCOMPARE(states(u"SHOWING"_s), QStringList{u"SHOW"_s});
        QCOMPARE(states(u"HIDING"_s), QStringList{u"HIDE"_s});
        QCOMPARE(states(u"SPEAKING"_s), QStringList{u"RESTPOSE"_s});
        QVERIFY(states(u"IDLINGLEVEL1"_s).contains(u"BLINK"_s));
        QVERIFY(states(u"IDLINGLEVEL1"_s).contains(u"IDLE1_1"_s));
        for (const agent::AcsState& state : character_.states) {
            QCOMPARE(state.name, state.name.toUpper());
            for (const QString& name : state.animations)
                QVERIFY2(character_.findAnimation(name) >= 0, qPrintable(name));
        }
    }

    void everyImageDecodesWithAnExactRegion()
    {
        for (int i = 0; i < int(character_.images.size()); ++i) {
            const agent::AcsImage image = agent::decodeImage(character_, i);
            QRegion covered;
            for (const QRect& rect : image.region)
                covered += rect;
            for (int y = 0; y < image.height; ++y) {
                for (int x = 0; x < image.width; ++x) {
                    if (covered.contains(QPoint(x, y)) != (image.pixel(x, y) != character_.transparentIndex))
                        QFAIL(qPrintable(u"image %1 pixel %2,%3"_s.arg(i).arg(x).arg(y)));
                }
            }
        }
    }

    void everyVisibleFrameShowsTheBird()
    {
        agent::AcsImageCache cache(character_);
        for (const agent::AcsAnimation& a : character_.animations) {
            for (std::size_t f = 0; f < a.frames.size(); ++f) {
                const agent::AcsFrame& frame = a.frames[f];
                const QImage picture = agent::composeFrame(character_, cache, frame);
                if (frame.isInvisible() || (a.name == u"Hide" && f + 2 == a.frames.size()))
                    continue;
                // Only the first flight frames of Show and the last of Hide may be mostly off the canvas.
                const QRegion shape = agent::frameRegion(character_, cache, frame);
                QVERIFY2(!shape.isEmpty(), qPrintable(u"%1 frame %2"_s.arg(a.name).arg(f)));
                QCOMPARE(picture.size(), QSize(128, 128));
            }
        }
    }

    void looksLikeABirdNotABox()
    {
        agent::AcsImageCache cache(character_);
        const QImage rest = restImage(character_, cache);
        std::set<QRgb> colours;
        int opaque = 0;
        for (int y = 0; y < rest.height(); ++y) {
            for (int x = 0; x < rest.width(); ++x) {
                if (qAlpha(rest.pixel(x, y)) == 0)
                    continue;
                ++opaque;
                colours.insert(rest.pixel(x, y));
            }
        }
        // A round bird of about 100 x 90 pixels in many shades, not a filled square.
        QVERIFY(opaque > 3500 && opaque < 128 * 128 / 2);
        QVERIFY(colours.size() > 60);
    }

    void animationsComeBackToRest()
    {
        // Gestures end on the rest pose, so the bird never freezes mid-gesture.
        agent::AcsImageCache cache(character_);
        const QImage rest = restImage(character_, cache);
        for (const agent::AcsAnimation& a : character_.animations) {
            if (a.name == u"Hide")
                continue;
            auto last = a.frames.rbegin();
            while (last != a.frames.rend() && last->isInvisible())
                ++last;
            QVERIFY(last != a.frames.rend());
            QVERIFY2(agent::composeFrame(character_, cache, *last) == rest, qPrintable(a.name));
        }
        // Hide ends out of view: a blank frame, then the invisible end.
        const agent::AcsAnimation& hide = animation(u"Hide"_s);
        QVERIFY(hide.frames.back().isInvisible());
        const agent::AcsFrame& gone = hide.frames[hide.frames.size() - 2];
        QVERIFY(gone.images.empty() && gone.duration > 0);
    }

    void exitBranchesAlwaysReachTheEnd()
    {
        for (const agent::AcsAnimation& a : character_.animations) {
            if (a.transition != agent::AcsTransition::ExitBranches)
                continue;
            QVERIFY(a.frames.back().isInvisible());
            QCOMPARE(a.frames.back().exitBranch, agent::AcsFrame::ExitEnds);
            for (std::size_t start = 0; start < a.frames.size(); ++start) {
                std::size_t frame = start;
                for (std::size_t steps = 0; a.frames[frame].exitBranch != agent::AcsFrame::ExitEnds;
                     ++steps) {
                    QVERIFY2(steps <= a.frames.size(),
                             qPrintable(u"%1 loops from %2"_s.arg(a.name).arg(start)));
                    QVERIFY(a.frames[frame].exitBranch >= 0);
                    frame = std::size_t(a.frames[frame].exitBranch);
                }
            }
            for (const agent::AcsFrame& frame : a.frames) {
                int sum = 0;
                for (const agent::AcsBranch& branch : frame.branches)
                    sum += branch.probability;
                QVERIFY(sum < 100); // a loop must always be able to finish
            }
        }
    }

    void blinkLaysALidOverTheRestPose()
    {
        const agent::AcsFrame& closed = animation(u"Blink"_s).frames[1];
        QCOMPARE(closed.images.size(), std::size_t(2));
        QCOMPARE(closed.images[1].imageIndex, animation(u"RestPose"_s).frames[0].images[0].imageIndex);
        agent::AcsImageCache cache(character_);
        const agent::AcsImage& lid = cache.image(int(closed.images[0].imageIndex));
        QVERIFY(lid.width < 20 && lid.height < 20);
        QVERIFY(agent::composeFrame(character_, cache, closed) != restImage(character_, cache));
    }

    void showChirps()
    {
        const agent::AcsAnimation& show = animation(u"Show"_s);
        const auto chirp = std::find_if(show.frames.begin(), show.frames.end(),
                                        [](const agent::AcsFrame& f) { return f.soundIndex >= 0; });
        QVERIFY(chirp != show.frames.end());
        const agent::PcmSound sound = agent::decodeSound(character_, chirp->soundIndex);
        QCOMPARE(sound.channels, 1);
        QCOMPARE(sound.bitsPerSample, 16);
        QVERIFY(sound.frameCount() > 1000);
        QVERIFY(agent::soundData(character_, chirp->soundIndex).size() < 8 * 1024);
    }

    void rebuildsByteForByte()
    {
        QFile built(QStringLiteral(QUORVIX_PIPWREN_ACS));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const pipwren::AcsCharacter model = pipwren::buildPipwren();
        QCOMPARE(pipwren::writeAcs(model), built.readAll());

        // Stored uncompressed, every image reads back the same.
        const agent::AcsCharacter raw =
            agent::AcsReader::readBytes(pipwren::writeAcs(model, pipwren::ImageCoding::Raw), u"raw"_s);
        QCOMPARE(raw.images.size(), character_.images.size());
        for (int i = 0; i < int(raw.images.size()); ++i)
            QCOMPARE(agent::decodeImage(raw, i).pixels, agent::decodeImage(character_, i).pixels);
    }
};

QUORVIX_TEST_MAIN_CORE(PipwrenFileTest)
#include "tst_pipwrenfile.moc"
