// CPU of a character left alone to idle: a real window on a plain X server
// (an Xvfb of its own, no window manager), real time. The character is shown,
// and once its showing animation is over the process's CPU time (user + system)
// and the X server's are taken over QUORVIX_BENCH_IDLE_SECONDS (60 by default).
// Peedy when the real characters are there, else the default character; no sound.
// Prints "figure<TAB>value<TAB>unit<TAB>target" lines; without Xvfb it prints
// nothing and says why on stderr.

#include "AgentControl.h"
#include "LoadedCharacter.h"
#include "XServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

void figure(const char* name, double value, const char* unit, const char* target)
{
    std::printf("%s\t%.2f\t%s\t%s\n", name, value, unit, target);
}

double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User + system time of another process, from /proc (fields 14 and 15).
double processCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t afterName = line.rfind(')');
    if (afterName == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(afterName + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char** argv)
{
    QString file = QStringLiteral(QUORVIX_TEST_CHARACTERS_DIR "/Peedy.acs");
    if (!QFileInfo::exists(file))
        file = QStringLiteral(QUORVIX_PIPWREN_ACS);
    const int seconds = qEnvironmentVariableIsSet("QUORVIX_BENCH_IDLE_SECONDS")
                            ? qEnvironmentVariableIntValue("QUORVIX_BENCH_IDLE_SECONDS")
                            : 60;
    const bench::XServer server;
    if (server.display().empty()) {
        std::fprintf(stderr, "bench_agent_idle: Xvfb could not be started, skipping\n");
        return 0;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const pid_t xvfb = server.pid();
    int status = 0;
    {
        QApplication app(argc, argv);
        agent::AgentControl control;
        control.Characters().setSoundEnabled(false);
        control.Characters().Load(QStringLiteral("Agent"), file);
        auto& character =
            dynamic_cast<agent::LoadedCharacter&>(control.Characters()(QStringLiteral("Agent")));
        character.setLeft(100);
        character.setTop(100);
        int played = 0;
        double ownStart = 0, serverStart = 0;
        QElapsedTimer wall;
        QObject::connect(&character.player(), &agent::AnimationPlayer::animationStarted, &app,
                         [&] { ++played; });
        QObject::connect(&character.player(), &agent::AnimationPlayer::cameToRest, &app, [&] {
            if (wall.isValid())
                return;
            wall.start();
            ownStart = ownCpuSeconds();
            serverStart = processCpuSeconds(xvfb);
            played = 0;
            QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
        });
        character.Show();
        status = app.exec();
        const double elapsed = double(wall.elapsed()) / 1000;
        if (status == 0 && elapsed > 0) {
            figure("agent_idle_cpu_of_one_core", 100 * (ownCpuSeconds() - ownStart) / elapsed, "%", "< 1");
            figure("agent_idle_x_server_cpu_of_one_core",
                   100 * (processCpuSeconds(xvfb) - serverStart) / elapsed, "%", "-");
            figure("agent_idle_animations_played", played, "animations", "> 0");
        }
    }
    return status;
}
