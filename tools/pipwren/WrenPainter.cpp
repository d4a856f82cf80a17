#include "WrenPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace pipwren {

namespace {

// Where the bird's feet touch the ground on the canvas.
constexpr QPointF kGround{61, 119};

// Bird coordinates: origin between the feet on the ground, x forwards (right), y down.
constexpr QPointF kBodyCentre{-4, -38};
constexpr double kBodyRx = 30;
constexpr double kBodyRy = 25;
constexpr QPointF kHeadCentre{19, -57};
constexpr double kHeadRadius = 16.5;
constexpr QPointF kNeck{10, -50};
constexpr QPointF kEye{26.5, -59.5};
constexpr QPointF kShoulder{6, -49};
constexpr QPointF kFarShoulder{10, -53};
constexpr QPointF kTailBase{-27, -44};

namespace colour {
const QColor outline(0x3a, 0x22, 0x12);
const QColor bodyLight(0xc4, 0x8c, 0x55);
const QColor bodyMid(0x95, 0x60, 0x37);
const QColor bodyDark(0x68, 0x3f, 0x20);
const QColor bellyLight(0xee, 0xd8, 0xad);
const QColor bellyDark(0xcf, 0xaa, 0x78);
const QColor wing(0x84, 0x53, 0x2d);
const QColor wingFar(0x5e, 0x39, 0x1d);
const QColor wingBar(0x3c, 0x22, 0x10);
const QColor wingEdge(0xc2, 0x92, 0x5e);
const QColor tail(0x80, 0x50, 0x2c);
const QColor tailBar(0x36, 0x1f, 0x0f);
const QColor brow(0xf2, 0xe2, 0xbc);
const QColor eyeStripe(0x57, 0x33, 0x18);
const QColor eye(0x14, 0x0b, 0x06);
const QColor highlight(0xff, 0xff, 0xff);
const QColor lid(0xa8, 0x73, 0x44);
const QColor beakUpper(0x4b, 0x3a, 0x2d);
const QColor beakLower(0xa0, 0x86, 0x6c);
const QColor leg(0xc0, 0x90, 0x70);
const QColor speckle(0xd8, 0xb0, 0x7c);
const QColor paper(0xfd, 0xfa, 0xf2);
const QColor paperShade(0xe4, 0xdc, 0xcc);
const QColor paperEdge(0x6e, 0x64, 0x58);
const QColor seal(0xd2, 0x36, 0x2e);
const QColor note(0x2f, 0x45, 0x9a);
} // namespace colour

QPainterPath ellipse(QPointF centre, double rx, double ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QTransform rotationAbout(QPointF pivot, double degrees)
{
    QTransform t;
    t.translate(pivot.x(), pivot.y());
    t.rotate(degrees);
    t.translate(-pivot.x(), -pivot.y());
    return t;
}

void outlineAndFill(QPainter& p, const QPainterPath& path, const QBrush& fill, double width = 2.4)
{
    p.strokePath(path, QPen(colour::outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, fill);
}

// One flight feather along -x from the origin, rounded at the tip.
QPainterPath feather(double length, double width)
{
    QPainterPath path;
    path.moveTo(0, -width * 0.35);
    path.cubicTo(-length * 0.4, -width * 0.6, -length * 0.85, -width * 0.55, -length, 0);
    path.cubicTo(-length * 0.85, width * 0.55, -length * 0.4, width * 0.6, 0, width * 0.35);
    path.closeSubpath();
    return path;
}

// A wing hinged at the shoulder, pointing backwards when folded; the angle
// turns it clockwise (upwards), the spread fans its primaries apart.
void paintWing(QPainter& p, QPointF shoulder, double angle, double spread, double reach, const QColor& base,
               bool barred)
{
    p.save();
    p.translate(shoulder);
    p.rotate(angle);
    constexpr int kFeathers = 5;
    for (int i = kFeathers - 1; i >= 0; --i) {
        const double length = (34 - i * 2.4) * reach;
        p.save();
        p.rotate(-spread * i);
        const QPainterPath f = feather(length, 8.5);
        outlineAndFill(p, f, base.darker(100 + i * 6), 1.6);
        if (barred) {
            p.setClipPath(f);
            p.setPen(QPen(colour::wingBar, 1.3, Qt::SolidLine, Qt::FlatCap));
            for (double t = 0.42; t < 0.95; t += 0.16)
                p.drawLine(QPointF(-length * t, -6), QPointF(-length * t - 2.5, 6));
            p.setClipping(false);
        }
        p.restore();
    }
    // Coverts: the rounded shoulder of the wing, with a row of pale spots;
    // they shorten as the wing opens so the spread primaries show.
    p.scale(1.0 - (reach - 1.0) * 1.3, 1.0);
    const QPainterPath coverts = ellipse(QPointF(-9, 0.5), 13, 7.5);
    outlineAndFill(p, coverts, base.lighter(112), 1.6);
    if (barred) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour::wingEdge);
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QPointF(-16 + i * 4.6, 3.2 - (i == 3 ? 0.8 : 0.0)), 1.3, 1.1);
    }
    p.restore();
}

double wingAngle(double lift)
{
    return -16 + lift * 116;
}

void paintTail(QPainter& p, double lift)
{
    p.save();
    p.translate(kTailBase);
    p.rotate(58 + lift);
    const double angles[] = {-7, 7, 0};
    for (const double a : angles) {
        p.save();
        p.rotate(a);
        const QPainterPath f = feather(31, 10);
        outlineAndFill(p, f, colour::tail, 2.0);
        p.setClipPath(f);
        p.setPen(QPen(colour::tailBar, 1.6, Qt::SolidLine, Qt::FlatCap));
        for (double x = -9; x > -31; x -= 4.2)
            p.drawLine(QPointF(x, -6), QPointF(x, 6));
        p.setClipping(false);
        p.restore();
    }
    p.restore();
}

void paintLegs(QPainter& p, bool tucked)
{
    const QPen legPen(colour::leg, 2.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QPen outlinePen(colour::outline, 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPainterPath legs;
    if (tucked) {
        for (const double x : {-8.0, 2.0}) {
            legs.moveTo(x, -17);
            legs.lineTo(x - 6, -11);
            legs.lineTo(x - 2, -9);
        }
    } else {
        for (const double x : {-7.0, 5.0}) {
            legs.moveTo(x, -17);
            legs.lineTo(x - 1.5, -1);
            legs.moveTo(x - 5, -0.8);
            legs.lineTo(x + 6.5, -0.8);
            legs.moveTo(x - 1.5, -1);
            legs.lineTo(x + 4.5, -3.2);
        }
    }
    p.strokePath(legs, outlinePen);
    p.strokePath(legs, legPen);
}

QPainterPath bodyPath()
{
    return ellipse(kBodyCentre, kBodyRx, kBodyRy);
}

QPainterPath headPath(double tilt)
{
    return rotationAbout(kNeck, tilt).map(ellipse(kHeadCentre, kHeadRadius, kHeadRadius - 0.5));
}

QBrush plumage()
{
    QRadialGradient g(QPointF(10, -62), 58, QPointF(14, -66));
    g.setColorAt(0.0, colour::bodyLight);
    g.setColorAt(0.5, colour::bodyMid);
    g.setColorAt(1.0, colour::bodyDark);
    return g;
}

void paintBody(QPainter& p, const WrenPose& pose)
{
    const QPainterPath body = bodyPath();
    const QPainterPath silhouette = body.united(headPath(pose.headTilt));
    outlineAndFill(p, silhouette, plumage(), 2.6);

    // Pale breast and belly.
    QLinearGradient belly(QPointF(0, -40), QPointF(0, -14));
    belly.setColorAt(0, colour::bellyLight);
    belly.setColorAt(1, colour::bellyDark);
    const QPainterPath breast = ellipse(QPointF(10, -28), 22, 16).intersected(body);
    p.fillPath(breast, belly);

    // Fine barring on the flank and pale speckles on the back.
    p.save();
    p.setClipPath(body.subtracted(breast));
    p.setPen(QPen(colour::wingBar, 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i)
        p.drawArc(QRectF(-26 + i * 5.0, -27 + (i % 2) * 2.0, 6, 6), 200 * 16, 140 * 16);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(colour::speckle);
    for (const QPointF dot : {QPointF(-14, -55), QPointF(-5, -59), QPointF(-21, -49), QPointF(-9, -51)})
        p.drawEllipse(dot, 1.1, 1.0);
}

void paintEye(QPainter& p, const WrenPose& pose)
{
    const double r = 4.1;
    if (pose.eyeOpen <= 0.0) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour::lid);
        p.drawEllipse(kEye, r + 0.4, r + 0.4);
        QPainterPath lash;
        if (pose.happyEyes) {
            lash.moveTo(kEye + QPointF(-3.4, 1.2));
            lash.quadTo(kEye + QPointF(0, -3.6), kEye + QPointF(3.4, 1.2));
        } else {
            lash.moveTo(kEye + QPointF(-3.6, -0.6));
            lash.quadTo(kEye + QPointF(0, 2.6), kEye + QPointF(3.6, -0.6));
        }
        p.strokePath(lash, QPen(colour::eye, 1.5, Qt::SolidLine, Qt::RoundCap));
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour::eye);
    p.drawEllipse(kEye, r, r);
    p.setBrush(colour::highlight);
    p.drawEllipse(kEye + QPointF(1.4, -1.5), 1.5, 1.5);
    if (pose.eyeOpen < 1.0) {
        // The upper lid comes down over half the eye.
        QPainterPath lid;
        lid.addRect(QRectF(kEye.x() - r - 1, kEye.y() - r - 1, 2 * r + 2, r + 1));
        p.fillPath(lid.intersected(ellipse(kEye, r + 0.5, r + 0.5)), colour::lid);
        p.setPen(QPen(colour::eye, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(kEye + QPointF(-r, 0), kEye + QPointF(r, 0));
    }
}

void paintBeak(QPainter& p, bool open)
{
    const QPointF hinge(33, -57);
    QPainterPath upper;
    upper.moveTo(32, -61.2);
    upper.quadTo(41, -61.2, 48, -56.6);
    upper.quadTo(40, -57.4, 32, -56.6);
    upper.closeSubpath();
    QPainterPath lower;
    lower.moveTo(32, -56.8);
    lower.quadTo(40, -56.6, 46, -56.2);
    lower.quadTo(39, -53.4, 32, -53.8);
    lower.closeSubpath();
    if (open) {
        upper = rotationAbout(hinge, -9).map(upper);
        lower = rotationAbout(hinge, 16).map(lower);
        QPainterPath mouth;
        mouth.moveTo(hinge);
        mouth.lineTo(rotationAbout(hinge, -9).map(QPointF(44, -57.5)));
        mouth.lineTo(rotationAbout(hinge, 16).map(QPointF(42, -56)));
        mouth.closeSubpath();
        p.fillPath(mouth, QColor(0xb0, 0x45, 0x3a));
    }
    const QPen edge(colour::outline, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.strokePath(lower, edge);
    p.fillPath(lower, colour::beakLower);
    p.strokePath(upper, edge);
    p.fillPath(upper, colour::beakUpper);
}

void paintHead(QPainter& p, const WrenPose& pose)
{
    p.save();
    p.setTransform(rotationAbout(kNeck, pose.headTilt), true);
    const QPainterPath head = ellipse(kHeadCentre, kHeadRadius, kHeadRadius - 0.5);
    // Pale throat and cheek.
    p.fillPath(ellipse(QPointF(25, -47), 10, 6.5).intersected(head), colour::bellyLight);
    p.save();
    p.setClipPath(head);
    // Dark stripe through the eye, pale eyebrow above it.
    p.strokePath(
        [] {
            QPainterPath s;
            s.moveTo(kEye + QPointF(-2, 0));
            s.quadTo(QPointF(16, -58.5), QPointF(5, -61.5));
            return s;
        }(),
        QPen(colour::eyeStripe, 2.4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath brow;
    brow.moveTo(33.5, -65);
    brow.quadTo(26, -68.8, 8, -65.5);
    p.strokePath(brow, QPen(colour::brow, 2.3, Qt::SolidLine, Qt::RoundCap));
    p.restore();
    paintEye(p, pose);
    paintBeak(p, pose.beakOpen);
    p.restore();
}

// A note as one path (head, stem and flag), so it can carry a pale rim that
// keeps it readable on dark desktops as well as light ones.
QPainterPath notePath(QPointF at, double size)
{
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), size * 0.55, size * 0.4);
    QPainterPath note = QTransform().translate(at.x(), at.y()).rotate(-20).map(head);
    const QPointF top = at + QPointF(size * 0.5, -size * 1.6);
    QPainterPath strokes;
    strokes.moveTo(at + QPointF(size * 0.5, -size * 0.1));
    strokes.lineTo(top);
    strokes.quadTo(top + QPointF(size * 0.9, size * 0.3), top + QPointF(size * 0.7, size * 1.0));
    QPainterPathStroker stroker;
    stroker.setWidth(1.5);
    stroker.setCapStyle(Qt::RoundCap);
    return note.united(stroker.createStroke(strokes));
}

void paintNote(QPainter& p, QPointF at, double size)
{
    const QPainterPath note = notePath(at, size);
    p.strokePath(note, QPen(colour::highlight, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(note, colour::note);
}

void paintLetter(QPainter& p)
{
    p.save();
    p.translate(104, 109);
    p.rotate(-7);
    const QRectF sheet(-13, -9, 26, 18);
    p.setPen(QPen(colour::paperEdge, 1.4));
    p.setBrush(colour::paper);
    p.drawRoundedRect(sheet, 1.5, 1.5);
    QPainterPath flap;
    flap.moveTo(sheet.topLeft() + QPointF(0.8, 0.8));
    flap.lineTo(0, 2);
    flap.lineTo(sheet.topRight() + QPointF(-0.8, 0.8));
    flap.closeSubpath();
    p.setBrush(colour::paperShade);
    p.setPen(QPen(colour::paperEdge, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(flap);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::seal);
    // A little heart for a seal.
    QPainterPath heart;
    heart.moveTo(0, 5.4);
    heart.cubicTo(-5.2, 1.6, -2.8, -2.6, 0, -0.2);
    heart.cubicTo(2.8, -2.6, 5.2, 1.6, 0, 5.4);
    p.drawPath(heart);
    p.restore();
}

} // namespace

QImage paintWren(const WrenPose& pose)
{
    QImage image(kCanvasSize, kCanvasSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    if (pose.letter)
        paintLetter(p);

    p.translate(kGround + pose.offset);
    p.scale(pose.scale, pose.scale * (1.0 - pose.squash));
    p.setTransform(rotationAbout(kBodyCentre, pose.bodyTilt), true);

    if (pose.farWingLift > 0.15)
        paintWing(p, kFarShoulder, wingAngle(pose.farWingLift) + 10, 4 + 9 * pose.farWingLift,
                  1.0 + 0.2 * pose.farWingLift, colour::wingFar, false);
    paintTail(p, pose.tailLift);
    paintLegs(p, pose.legsTucked);
    paintBody(p, pose);
    paintHead(p, pose);
    const double lift = std::clamp(std::abs(pose.wingLift), 0.0, 1.2);
    paintWing(p, kShoulder, wingAngle(pose.wingLift), 3.5 + 12 * lift, 1.0 + 0.22 * lift, colour::wing, true);

    if (pose.singing) {
        p.resetTransform();
        paintNote(p, QPointF(110, 36), 5.5);
        paintNote(p, QPointF(118, 22), 4.5);
    }
    p.end();
    return image;
}

} // namespace pipwren
