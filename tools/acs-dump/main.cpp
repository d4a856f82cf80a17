// acs-dump: looks inside an Agent character file.
//
//   acs-dump info FILE                          names, size and animations as JSON
//   acs-dump render FILE ANIMATION FRAME OUT.png one frame as the character window shows it
//   acs-dump idle FILE SECONDS [SEED] [ANIMATION...] what the character plays when shown (after the
//                                                animations given) and left alone, on a simulated
//                                                clock: one line per animation with its start
//                                                time and idling level
//
// A damaged file ends with exit code 1 and one line on stderr.

#include "AcsImage.h"
#include "AcsReader.h"
#include "AgentClock.h"
#include "AgentControl.h"
#include "AnimationPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "acs-dump: %s\n", qPrintable(message.simplified()));
    return 1;
}

int usage()
{
    std::fprintf(stderr, "usage: acs-dump info FILE\n"
                         "       acs-dump render FILE ANIMATION FRAME OUT.png\n"
                         "       acs-dump idle FILE SECONDS [SEED] [ANIMATION...]\n");
    return 2;
}

// A JSON string literal, escaped by Qt's own writer.
QByteArray jsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

int info(const QString& path)
{
    const agent::AcsCharacter character = agent::AcsReader::readFile(path);
    // Written by hand to keep the keys in a reader-friendly order (QJsonObject sorts them).
    QByteArray json = "{\"name\": " + jsonString(character.name()) +
                      ", \"width\": " + QByteArray::number(character.width) +
                      ", \"height\": " + QByteArray::number(character.height) + ", \"animations\": [";
    for (size_t i = 0; i < character.animations.size(); ++i) {
        const agent::AcsAnimation& animation = character.animations[i];
        json += (i ? ",\n  " : "\n  ") + QByteArray("{\"name\": ") + jsonString(animation.name) +
                ", \"frames\": " + QByteArray::number(qint64(animation.frames.size())) + "}";
    }
    json += character.animations.empty() ? "]}\n" : "\n]}\n";
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write to standard output"));
    out.write(json);
    return 0;
}

int render(const QString& path, const QString& animationName, const QString& frameText,
           const QString& outPath)
{
    const agent::AcsCharacter character = agent::AcsReader::readFile(path);
    const int index = character.findAnimation(animationName);
    if (index < 0)
        return fail(QStringLiteral("%1: no animation named \"%2\"").arg(path, animationName));
    const agent::AcsAnimation& animation = character.animations[size_t(index)];
    bool ok = false;
    const int frame = frameText.toInt(&ok);
    if (!ok || frame < 0 || size_t(frame) >= animation.frames.size())
        return fail(QStringLiteral("%1: animation \"%2\" has frames 0 to %3, not \"%4\"")
                        .arg(path, animation.name)
                        .arg(qint64(animation.frames.size()) - 1)
                        .arg(frameText));
    agent::AcsImageCache images(character);
    const QImage picture = agent::composeFrame(character, images, animation.frames[size_t(frame)]);
    if (!picture.save(outPath, "PNG"))
        return fail(QStringLiteral("%1: cannot write the picture").arg(outPath));
    return 0;
}

int idle(const QStringList& args)
{
    const agent::AcsCharacter character = agent::AcsReader::readFile(args[0]);
    bool ok = false;
    const double seconds = args[1].toDouble(&ok);
    if (!ok || seconds < 0 || seconds > 24 * 3600)
        return fail(QStringLiteral("\"%1\" is not a number of seconds up to a day").arg(args[1]));
    agent::ManualClock clock;
    agent::AnimationPlayer player(character, clock);
    player.setAutoAdvance(false);
    if (args.size() > 2) {
        const uint seed = args[2].toUInt(&ok);
        if (!ok)
            return fail(QStringLiteral("\"%1\" is not a seed (a whole number)").arg(args[2]));
        player.setRandomSeed(seed);
    }
    QObject::connect(&player, &agent::AnimationPlayer::animationStarted, &player, [&](int animation) {
        const int level = player.idleLevel();
        std::printf("%9.2f s  %-8s %s\n", double(clock.nowMs()) / 1000,
                    level ? qPrintable(QStringLiteral("idling %1").arg(level)) : "request",
                    qPrintable(character.animations[size_t(animation)].name));
    });
    player.show();
    for (qsizetype i = 3; i < args.size(); ++i)
        player.play(args[i]);
    for (const qint64 end = qint64(seconds * 1000); clock.nowMs() < end;
         clock.advance(agent::AnimationPlayer::kTickMs))
        player.advance();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == QLatin1String("info"))
            return info(args[2]);
        if (args.size() == 6 && args[1] == QLatin1String("render"))
            return render(args[2], args[3], args[4], args[5]);
        if (args.size() >= 4 && args[1] == QLatin1String("idle"))
            return idle(args.mid(2));
    } catch (const agent::AgentError& error) {
        return fail(error.message());
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("out of memory"));
    }
    return usage();
}
