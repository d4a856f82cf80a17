// acs-show: puts a character on the desktop through the agent control, the
// way the options window does, and plays animations. For looking at a
// character by eye and for screenshots; not installed with the program.
//
//   acs-show FILE LEFT TOP SECONDS [ANIMATION...]

#include "AgentControl.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: acs-show FILE LEFT TOP SECONDS [ANIMATION...]\n");
        return 2;
    }
    agent::AgentControl control;
    try {
        agent::CharacterCollection& characters = control.Characters();
        characters.Load(QStringLiteral("Agent"), args[1]);
        agent::AgentCharacter& character = characters(QStringLiteral("Agent"));
        character.setLeft(qint16(args[2].toInt()));
        character.setTop(qint16(args[3].toInt()));
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
