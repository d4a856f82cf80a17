#include "PipwrenCharacter.h"

#include "ChirpSound.h"
#include "PaletteQuantizer.h"
#include "WrenPainter.h"

#include <QRect>

#include <map>

namespace pipwren {

namespace {

using namespace Qt::StringLiterals;

constexpr quint8 kTransparentIndex = 255;
constexpr QRgb kTransparentColour = 0xFFFF00FF;
constexpr quint16 kChirp = 0;
// Stands for "the invisible end frame" until the animation's frame count is known.
constexpr int kEnd = -100;

// One image of a frame: a whole pose, or only the part of a pose that
// differs from another pose (a small patch laid over that other pose).
struct Layer
{
    int pose = 0;
    int patchOver = -1;
};

struct FramePlan
{
    QList<Layer> layers;
    quint16 duration = 10;
    int exit = kEnd;
    QList<Branch> branches;
    quint16 sound = kNoSound;
};

struct AnimationPlan
{
    QString name;
    Transition transition = Transition::ExitBranches;
    QList<FramePlan> frames;
    bool endFrame = true;
};

class Assembly
{
public:
    int pose(const WrenPose& p)
    {
        const qsizetype found = poses_.indexOf(p);
        if (found >= 0)
            return int(found);
        poses_.append(p);
        return int(poses_.size() - 1);
    }

    FramePlan frame(const WrenPose& p, quint16 duration, int exit = kEnd)
    {
        return FramePlan{{Layer{pose(p), -1}}, duration, exit, {}, kNoSound};
    }

    // The base pose with a patch of another pose over it (first image on top).
    FramePlan patched(const WrenPose& base, const WrenPose& patch, quint16 duration, int exit = kEnd)
    {
        const int b = pose(base);
        return FramePlan{{Layer{pose(patch), b}, Layer{b, -1}}, duration, exit, {}, kNoSound};
    }

    void add(AnimationPlan plan) { animations_.append(std::move(plan)); }

    void assemble(AcsCharacter& c);

private:
    quint32 imageIndex(AcsCharacter& c, const IndexedImage& image)
    {
        const QByteArray key =
            QByteArray::number(image.width) + 'x' + QByteArray::number(image.height) + ':' + image.pixels;
        const auto [it, inserted] = imageIndices_.try_emplace(key, quint32(c.images.size()));
        if (inserted)
            c.images.append(image);
        return it->second;
    }

    QList<WrenPose> poses_;
    QList<AnimationPlan> animations_;
    std::map<QByteArray, quint32> imageIndices_;
};

IndexedImage crop(const IndexedImage& image, const QRect& rect)
{
    IndexedImage out;
    out.width = rect.width();
    out.height = rect.height();
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        out.pixels.append(image.pixels.mid(qsizetype(y) * image.width + rect.left(), rect.width()));
    return out;
}

QRect differingPixels(const IndexedImage& a, const IndexedImage& b)
{
    QRect bounds;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (a.at(x, y) != b.at(x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

void Assembly::assemble(AcsCharacter& c)
{
    PaletteQuantizer quantizer(kTransparentIndex, kTransparentColour);
    QList<QImage> painted;
    for (const WrenPose& p : poses_) {
        painted.append(paintWren(p));
        quantizer.addImage(painted.back());
    }
    quantizer.buildPalette();
    c.palette = quantizer.palette();
    c.transparentIndex = kTransparentIndex;
    QList<IndexedImage> indexed;
    for (const QImage& image : painted)
        indexed.append(quantizer.quantize(image));

    for (const AnimationPlan& plan : animations_) {
        Animation animation;
        animation.name = plan.name;
        animation.transition = plan.transition;
        const int endIndex = int(plan.frames.size());
        for (const FramePlan& f : plan.frames) {
            Frame frame;
            for (const Layer& layer : f.layers) {
                if (layer.patchOver < 0) {
                    frame.images.append({imageIndex(c, indexed[layer.pose]), 0, 0});
                    continue;
                }
                const QRect changed = differingPixels(indexed[layer.pose], indexed[layer.patchOver]);
                if (changed.isEmpty())
                    continue;
                frame.images.append({imageIndex(c, crop(indexed[layer.pose], changed)), qint16(changed.x()),
                                     qint16(changed.y())});
            }
            frame.duration = f.duration;
            frame.sound = f.sound;
            frame.branches = f.branches;
            if (plan.transition == Transition::ExitBranches)
                frame.exitBranch = qint16(f.exit == kEnd ? (plan.endFrame ? endIndex : kExitEnds) : f.exit);
            animation.frames.append(frame);
        }
        if (plan.endFrame) {
            Frame end;
            end.duration = 0;
            end.exitBranch = plan.transition == Transition::ExitBranches ? kExitEnds : kNoExit;
            animation.frames.append(end);
        }
        c.animations.append(animation);
    }
}

WrenPose withLetter(WrenPose p)
{
    p.letter = true;
    return p;
}

void addAnimations(Assembly& a)
{
    const WrenPose rest;

    // Show: flies in from the upper left, lands with a bounce and chirps.
    {
        AnimationPlan s{u"Show"_s, Transition::None, {}, true};
        const auto flying = [](double x, double y, double wing, double scale) {
            WrenPose p;
            p.offset = {x, y};
            p.wingLift = wing;
            p.farWingLift = wing > 0.5 ? wing : 0.0;
            p.legsTucked = true;
            p.bodyTilt = -8;
            p.tailLift = -10;
            p.scale = scale;
            return p;
        };
        s.frames = {a.frame(flying(-66, -76, 1.0, 0.8), 7), a.frame(flying(-56, -62, -0.45, 0.85), 7),
                    a.frame(flying(-36, -40, 1.0, 0.9), 7), a.frame(flying(-16, -18, -0.45, 0.95), 7)};
        WrenPose landing;
        landing.squash = 0.14;
        landing.wingLift = 0.45;
        landing.tailLift = 12;
        WrenPose settle;
        settle.squash = -0.04;
        settle.wingLift = 0.1;
        WrenPose chirp;
        chirp.beakOpen = true;
        chirp.singing = true;
        chirp.headTilt = -6;
        s.frames.append(
            QList<FramePlan>{a.frame(landing, 8), a.frame(settle, 7), a.frame(chirp, 30), a.frame(rest, 10)});
        s.frames[6].sound = kChirp;
        for (FramePlan& f : s.frames)
            f.exit = kNoExit;
        a.add(s);
    }
    // Hide: crouches, springs up and flies off to the upper right.
    {
        AnimationPlan s{u"Hide"_s, Transition::None, {}, true};
        WrenPose crouch;
        crouch.squash = 0.14;
        crouch.wingLift = 0.2;
        s.frames = {a.frame(rest, 6), a.frame(crouch, 7)};
        // The last steps leave only a wing or the tail on the canvas: the bird is flying out of it.
        const double path[][4] = {{6, -12, 1.0, 1.0},
                                  {22, -30, -0.45, 0.95},
                                  {40, -50, 1.0, 0.9},
                                  {58, -72, -0.45, 0.85},
                                  {74, -92, 1.0, 0.8}};
        for (const auto& step : path) {
            WrenPose p;
            p.offset = {step[0], step[1]};
            p.wingLift = step[2];
            p.farWingLift = step[2] > 0.5 ? step[2] : 0.0;
            p.legsTucked = true;
            p.bodyTilt = -14;
            p.tailLift = -12;
            p.scale = step[3];
            s.frames.append(a.frame(p, 6));
        }
        // Then it is gone: a blank frame, so the character ends out of view.
        s.frames.append(FramePlan{{}, 6, kNoExit, {}, kNoSound});
        for (FramePlan& f : s.frames)
            f.exit = kNoExit;
        a.add(s);
    }
    a.add({u"RestPose"_s, Transition::None, {a.frame(rest, 10, kNoExit)}, false});

    // Blink: only a small patch over the eye changes.
    {
        WrenPose half = rest;
        half.eyeOpen = 0.5;
        WrenPose shut = rest;
        shut.eyeOpen = 0.0;
        a.add({u"Blink"_s,
               Transition::ExitBranches,
               {a.patched(rest, half, 4), a.patched(rest, shut, 8), a.patched(rest, half, 4),
                a.frame(rest, 10)},
               true});
    }
    // Greet: a little bow, then a raised wing and a chirp.
    {
        WrenPose bow1 = rest;
        bow1.headTilt = 14;
        bow1.squash = 0.04;
        bow1.tailLift = 6;
        WrenPose bow2 = bow1;
        bow2.headTilt = 24;
        bow2.squash = 0.07;
        bow2.tailLift = 12;
        const auto wing = [&](double lift) {
            WrenPose p = rest;
            p.wingLift = lift;
            p.headTilt = -3 * lift;
            return p;
        };
        WrenPose hello = wing(1.0);
        hello.beakOpen = true;
        hello.singing = true;
        AnimationPlan s{u"Greet"_s,
                        Transition::ExitBranches,
                        {a.frame(bow1, 8, 7), a.frame(bow2, 14, 0), a.frame(wing(0.35), 6, 6),
                         a.frame(wing(0.75), 6, 5), a.frame(hello, 40, 5), a.frame(wing(0.75), 6, 6),
                         a.frame(wing(0.35), 6, 7), a.frame(rest, 10)},
                        true};
        s.frames[4].sound = kChirp;
        a.add(s);
    }
    // Wave: the wing goes up and waves to and fro, sometimes once more.
    {
        const auto wing = [&](double lift, double tilt) {
            WrenPose p = rest;
            p.wingLift = lift;
            p.headTilt = tilt;
            return p;
        };
        AnimationPlan s{u"Wave"_s,
                        Transition::ExitBranches,
                        {a.frame(wing(0.4, 0), 6, 7), a.frame(wing(0.8, -2), 6, 6),
                         a.frame(wing(1.1, -4), 10, 6), a.frame(wing(0.72, -4), 10, 6),
                         a.frame(wing(1.1, -4), 10, 6), a.frame(wing(0.72, -4), 10, 6),
                         a.frame(wing(0.4, 0), 6, 7), a.frame(rest, 10)},
                        true};
        s.frames[5].branches = {Branch{2, 35}};
        a.add(s);
    }
    // Congratulate: two happy jumps with flapping wings and a song.
    {
        WrenPose crouch = rest;
        crouch.squash = 0.14;
        crouch.wingLift = 0.15;
        crouch.tailLift = 10;
        const auto air = [&](double y, double wing) {
            WrenPose p = rest;
            p.offset = {0, y};
            p.squash = -0.05;
            p.wingLift = wing;
            p.farWingLift = wing > 0.5 ? wing : 0.0;
            p.legsTucked = true;
            p.tailLift = -8;
            p.beakOpen = true;
            return p;
        };
        WrenPose land = crouch;
        land.wingLift = 0.4;
        WrenPose joy = rest;
        joy.eyeOpen = 0.0;
        joy.happyEyes = true;
        joy.beakOpen = true;
        joy.singing = true;
        joy.headTilt = -8;
        joy.wingLift = 0.2;
        AnimationPlan s{u"Congratulate"_s,
                        Transition::ExitBranches,
                        {a.frame(crouch, 8, 9), a.frame(air(-16, 1.0), 7, 4), a.frame(air(-22, -0.4), 7, 4),
                         a.frame(air(-14, 1.0), 7, 4), a.frame(land, 7, 9), a.frame(air(-16, 1.0), 7, 8),
                         a.frame(air(-22, -0.4), 7, 8), a.frame(air(-14, 1.0), 7, 8), a.frame(land, 7, 9),
                         a.frame(joy, 40, 10), a.frame(rest, 10)},
                        true};
        s.frames[9].sound = kChirp;
        a.add(s);
    }
    // Read: looks down at a little letter, reads it line by line, looks up again.
    {
        const auto look = [&](double tilt, double eye = 1.0) {
            WrenPose p = withLetter(rest);
            p.headTilt = tilt;
            p.eyeOpen = eye;
            return p;
        };
        AnimationPlan s{u"Read"_s,
                        Transition::ExitBranches,
                        {a.frame(look(10), 10, 9), a.frame(look(24), 8, 0), a.frame(look(36), 50, 7),
                         a.frame(look(40), 40, 7), a.frame(look(36, 0.5), 4, 7), a.frame(look(36, 0.0), 6, 7),
                         a.frame(look(38), 50, 7), a.frame(look(20), 8, 8), a.frame(look(0), 20, 9),
                         a.frame(rest, 10)},
                        true};
        s.frames[6].branches = {Branch{3, 30}};
        a.add(s);
    }
    // Idle1_1: flicks its tail twice, then glances up.
    {
        WrenPose flick = rest;
        flick.tailLift = 16;
        WrenPose up = rest;
        up.headTilt = -14;
        a.add({u"Idle1_1"_s,
               Transition::ExitBranches,
               {a.frame(rest, 30), a.frame(flick, 6, 2), a.frame(rest, 6), a.frame(flick, 6, 4),
                a.frame(rest, 50), a.frame(up, 60, 6), a.frame(rest, 20)},
               true});
    }
    // Idle1_2: looks down at its feet, then up, with a slow blink.
    {
        WrenPose down = rest;
        down.headTilt = 20;
        WrenPose up = rest;
        up.headTilt = -12;
        WrenPose upShut = up;
        upShut.eyeOpen = 0.0;
        a.add({u"Idle1_2"_s,
               Transition::ExitBranches,
               {a.frame(down, 50, 3), a.frame(up, 40, 3), a.patched(up, upShut, 12, 3), a.frame(rest, 20)},
               true});
    }
    // Acknowledge: two nods.
    {
        WrenPose nod = rest;
        nod.headTilt = 16;
        a.add({u"Acknowledge"_s,
               Transition::ExitBranches,
               {a.frame(nod, 8, 3), a.frame(rest, 8), a.frame(nod, 8, 3), a.frame(rest, 10)},
               true});
    }
    // Pleased: closes its eyes happily and fluffs up.
    {
        WrenPose fluffed = rest;
        fluffed.eyeOpen = 0.0;
        fluffed.happyEyes = true;
        fluffed.scale = 1.04;
        fluffed.tailLift = 10;
        a.add({u"Pleased"_s, Transition::ExitBranches, {a.frame(fluffed, 60, 1), a.frame(rest, 10)}, true});
    }
    // GetAttention: hops on the spot and calls.
    {
        WrenPose crouch = rest;
        crouch.squash = 0.12;
        crouch.wingLift = 0.2;
        WrenPose hop = rest;
        hop.offset = {0, -10};
        hop.wingLift = 0.7;
        hop.legsTucked = true;
        WrenPose call = rest;
        call.beakOpen = true;
        call.singing = true;
        call.headTilt = -6;
        AnimationPlan s{u"GetAttention"_s,
                        Transition::ExitBranches,
                        {a.frame(crouch, 6, 2), a.frame(hop, 6, 2), a.frame(crouch, 6, 6), a.frame(hop, 6, 4),
                         a.frame(crouch, 6, 6), a.frame(call, 40, 6), a.frame(rest, 10)},
                        true};
        s.frames[5].sound = kChirp;
        a.add(s);
    }
}

} // namespace

AcsCharacter buildPipwren()
{
    AcsCharacter c;
    c.id = {0x6F1C2B7A, 0x3D94, 0x4E58, {0xA1, 0xC7, 0x92, 0xB0, 0xE4, 0xD3, 0x5F, 0x18}};
    c.width = kCanvasSize;
    c.height = kCanvasSize;
    c.flags = flags::kVoiceDisabled | flags::kBalloon;
    c.balloon =
        BalloonInfo{2,   28,  qRgb(0, 0, 0), qRgb(0xFF, 0xFD, 0xF0), qRgb(0x3A, 0x22, 0x12), u"Sans Serif"_s,
                    -13, 400, false};
    c.localized = {
        {0x0009, u"Pipwren"_s, u"A little wren who keeps watch over your mail."_s, QString()},
        {0x0011, u"Pipwren"_s, u"メールを見守る小さなミソサザイ"_s, QString()},
    };
    c.states = {
        {u"SHOWING"_s, {u"SHOW"_s}},
        {u"HIDING"_s, {u"HIDE"_s}},
        {u"SPEAKING"_s, {u"RESTPOSE"_s}},
        {u"IDLINGLEVEL1"_s, {u"BLINK"_s, u"IDLE1_1"_s, u"IDLE1_2"_s}},
        {u"IDLINGLEVEL2"_s, {u"IDLE1_1"_s, u"IDLE1_2"_s}},
        {u"IDLINGLEVEL3"_s, {u"IDLE1_2"_s}},
    };
    c.sounds = {chirpWave()};

    Assembly assembly;
    addAnimations(assembly);
    assembly.assemble(c);
    return c;
}

} // namespace pipwren
