// acs-show: puts a character on the desktop through the agent control, the
// way the options window does, and plays animations. For looking at a
// character by eye and for screenshots; not installed with the program.
//
//   acs-show [--log] [--no-idle] FILE LEFT TOP SECONDS [ANIMATION...]
//
// The character idles when left alone, as in the options window; --no-idle
// turns that off. --log prints each animation as it starts, with the seconds
// since Show and, for idling animations, their level.

#include "AgentControl.h"
#include "LoadedCharacter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool log = args.removeAll(QStringLiteral("--log")) > 0;
    const bool noIdle = args.removeAll(QStringLiteral("--no-idle")) > 0;
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: acs-show [--log] [--no-idle] FILE LEFT TOP SECONDS [ANIMATION...]\n");
        return 2;
    }
    agent::AgentControl control;
    QElapsedTimer sinceShow;
    try {
        agent::CharacterCollection& characters = control.Characters();
        characters.Load(QStringLiteral("Agent"), args[1]);
        agent::AgentCharacter& character = characters(QStringLiteral("Agent"));
        character.setLeft(qint16(args[2].toInt()));
        character.setTop(qint16(args[3].toInt()));
        character.setIdleOn(!noIdle);
        if (log) {
            auto& loaded = dynamic_cast<agent::LoadedCharacter&>(character);
            QObject::connect(
                &loaded.player(), &agent::AnimationPlayer::animationStarted, &app, [&](int animation) {
                    const int level = loaded.player().idleLevel();
                    std::printf("%8.2f s  %-8s %s\n", double(sinceShow.elapsed()) / 1000,
                                level ? qPrintable(QStringLiteral("idling %1").arg(level)) : "request",
                                qPrintable(loaded.character().animations[size_t(animation)].name));
                    std::fflush(stdout);
                });
        }
        sinceShow.start();
        character.Show();
        for (qsizetype i = 5; i < args.size(); ++i)
            character.Play(args[i]);
    } catch (const agent::AgentError& error) {
        std::fprintf(stderr, "acs-show: %s\n", qPrintable(error.message().simplified()));
        return 1;
    }
    QTimer::singleShot(int(args[4].toDouble() * 1000), &app, &QApplication::quit);
    return app.exec();
}
