// Figures for the options window, each measured in fresh processes:
//
//  - start-up to the window shown and idle (empty store, default character),
//    against a bare Qt program (options_bare_window, linked with Qt Widgets
//    only) that shows a window of the same size with as many widgets, taking
//    turns in one run, offscreen and on a bare X server (Xvfb); the start
//    is the program's own sequence (app::runProgram, as main() runs it);
//  - the window shown with a store of 1,000 and of 10,000 accounts;
//  - peak memory of a start-up.
//
// Without arguments the benchmark runs itself with a mode argument for every
// measurement, takes the median of several runs and prints one line per
// figure: figure, value, unit, target and, where a baseline applies, ratio.
// --startup-only prints the two start-up comparisons alone; --phases N (N a
// CLOCK_MONOTONIC time in ns, such as the spawn time) prints when each step
// of one start was done, up to the options window's first frame painted and the
// character's window shown.

#include "ApplicationSetup.h"
#include "CommonDialogs.h"
#include "FirstFrame.h"
#include "KeySchema.h"
#include "Median.h"
#include "Module1.h"
#include "ProgramStart.h"
#include "XServer.h"
#include "optionform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Calls done once the event loop has nothing left to do and is about to wait.
template <typename F> void whenIdle(F done)
{
    auto* dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, done);
}

// Without the default character the window would wait for the user to
// answer the missing-agent warning.
bool defaultCharacterIsThere()
{
    const QString file = Module1::ToLocalPath(settings::AgentnmDefault(Module1::WindowsDirectory()));
    if (QFileInfo(file).isFile())
        return true;
    std::fprintf(stderr, "the default character %s has not been built\n", qPrintable(file));
    return false;
}

// The real program's start (the sequence main() runs), to the window shown
// and idle. With phases, also prints on standard error when each step of the
// start was done, in milliseconds since the process was spawned.
int runStartup(int argc, char** argv, qint64 spawnedAt, bool phases, bool countAllPages)
{
    const auto mark = [&](const char* step) {
        if (phases)
            std::fprintf(stderr, "%8.2f ms  %s\n", double(monotonicNs() - spawnedAt) / 1e6, step);
    };
    mark("main entered (program and libraries loaded)");
    bool idle = false;
    app::StartWatch watch;
    watch.stepDone = mark;
    watch.mayOpenWindow = defaultCharacterIsThere;
    watch.windowShown = [&](optionform& form) {
        if (phases)
            agent::whenFirstDrawn(&form, &form, [&] { mark("options window's first frame painted"); });
        whenIdle([&] {
            if (idle)
                return;
            idle = true;
            mark("first idle");
            const double ms = double(monotonicNs() - spawnedAt) / 1e6;
            // The bare window gets as many widgets as this window has with every
            // page opened once, the parts made on a page's first showing included;
            // only the first start counts them, so the others' processor time is
            // the start's alone.
            if (countAllPages) {
                for (int page = form.SSTab1->count() - 1; page >= 0; --page)
                    form.SSTab1->setCurrentIndex(page);
            }
            const auto widgets = form.findChildren<QWidget*>().size() + 1;
            std::printf("%.3f %lld\n", ms, static_cast<long long>(widgets));
            std::fflush(stdout);
            if (!phases)
                std::_Exit(0);
            // The character comes up after the window's first frame: when?
            auto* poll = new QTimer(qApp);
            QObject::connect(poll, &QTimer::timeout, qApp, [&] {
                for (const QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->objectName() == QLatin1String("AgentCharacterWindow") && w->isVisible()) {
                        mark("character window shown");
                        std::_Exit(0);
                    }
                }
            });
            poll->start(1);
        });
    };
    return app::runProgram(argc, argv, watch);
}

// Writes a store of n accounts into this process's configuration folder.
int runPrepare(int argc, char** argv, int accounts)
{
    QCoreApplication app(argc, argv);
    Module1::WriteSetting(QStringLiteral("accountno"), QString::number(accounts));
    for (int n = 1; n <= accounts; ++n) {
        Module1::ResetAccount();
        Module1::AccountRecord.Aname = QStringLiteral("アカウント%1").arg(n);
        Module1::AccountRecord.Hname = QStringLiteral("pop%1.example.jp").arg(n);
        Module1::AccountRecord.Uname = QStringLiteral("user%1").arg(n);
        Module1::AccountRecord.Passw = QStringLiteral("secret%1").arg(n);
        Module1::AccountRecord.Check = qint16(n % 2);
        Module1::AccountRecord.Scolor1 = n;
        Module1::SaveAccount(qint16(n));
    }
    return Module1::SyncSettings() ? 0 : 1;
}

// From creating the window to the window shown and idle, with the store as it is.
int runAccounts(int argc, char** argv)
{
    QApplication app(argc, argv);
    app::setUpApplication(app);
    if (!defaultCharacterIsThere())
        return 2;
    QElapsedTimer timer;
    timer.start();
    optionform form;
    form.show();
    whenIdle([&] {
        std::printf("%.3f %d\n", double(timer.nsecsElapsed()) / 1e6, int(Module1::AccountCount));
        std::fflush(stdout);
        std::_Exit(0);
    });
    return QApplication::exec();
}

struct ChildResult
{
    bool ok = false;
    std::string output;
    long maxRssKb = 0;
    double cpuMs = 0; // user and system time of the whole run
};

// Runs program with args in its own configuration folder, offscreen or, with
// a display, on that X server.
ChildResult spawn(const std::string& program, std::vector<std::string> args, const std::string& configHome,
                  const std::string& display = {})
{
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return result;

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("XDG_CONFIG_HOME=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
            entry.rfind("DISPLAY=", 0) != 0)
            envStrings.push_back(entry);
    }
    envStrings.push_back("XDG_CONFIG_HOME=" + configHome);
    if (display.empty()) {
        envStrings.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        envStrings.push_back("QT_QPA_PLATFORM=xcb");
        envStrings.push_back("DISPLAY=" + display);
    }
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& s : args)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    // The children's warnings (offscreen platform, missing runtime folder) are not figures.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, std::size_t(got));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.maxRssKb = usage.ru_maxrss;
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    result.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    return result;
}

std::string nowArg()
{
    return std::to_string(monotonicNs());
}

struct StartupFigures
{
    double startupMs = -1;
    double bareMs = -1;
    // Processor time to the same point: it holds still on a loaded machine,
    // where the wall-clock figures also count the waits for a processor.
    double startupCpuMs = -1;
    double bareCpuMs = -1;
    long long widgets = 0;
    long peakKb = 0;
};

// The options window's start-up and the bare window's, taking turns so a
// change in the machine's load hits both alike, offscreen or on display.
StartupFigures compareStartups(const std::string& self, const std::string& bare,
                               const std::string& configHome, const std::string& display)
{
    constexpr int kStartupRuns = 15;
    StartupFigures figures;
    // Warm the file cache once for both programs so that neither pays it
    // alone; the first start-up also tells how many widgets the window has.
    const ChildResult first = spawn(self, {"--startup-counting", nowArg()}, configHome, display);
    double ms = 0;
    if (!first.ok || std::sscanf(first.output.c_str(), "%lf %lld", &ms, &figures.widgets) != 2)
        return figures;
    const std::string widgets = std::to_string(figures.widgets);
    spawn(bare, {nowArg(), widgets}, configHome, display);

    std::vector<double> startup;
    std::vector<double> bareTimes;
    std::vector<double> startupCpu;
    std::vector<double> bareCpu;
    for (int run = 0; run < kStartupRuns; ++run) {
        const ChildResult r = spawn(self, {"--startup", nowArg()}, configHome, display);
        long long counted = 0;
        if (!r.ok || std::sscanf(r.output.c_str(), "%lf %lld", &ms, &counted) != 2)
            return figures;
        startup.push_back(ms);
        startupCpu.push_back(r.cpuMs);
        figures.peakKb = std::max(figures.peakKb, r.maxRssKb);

        const ChildResult b = spawn(bare, {nowArg(), widgets}, configHome, display);
        if (!b.ok || std::sscanf(b.output.c_str(), "%lf", &ms) != 1)
            return figures;
        bareTimes.push_back(ms);
        bareCpu.push_back(b.cpuMs);
    }
    figures.startupMs = median(startup);
    figures.bareMs = median(bareTimes);
    figures.startupCpuMs = median(startupCpu);
    figures.bareCpuMs = median(bareCpu);
    return figures;
}

// The two start-up comparisons alone, for the quick look while working on the start.
int compareOnly(const std::string& self, const std::string& bare)
{
    QTemporaryDir emptyStore;
    if (!emptyStore.isValid())
        return 1;
    const std::string store = emptyStore.path().toStdString();
    const StartupFigures offscreen = compareStartups(self, bare, store, {});
    const bench::XServer x;
    const StartupFigures onX =
        x.display().empty() ? StartupFigures{} : compareStartups(self, bare, store, x.display());
    for (const auto& [where, f] : {std::pair{"offscreen", offscreen}, std::pair{"Xvfb", onX}}) {
        std::printf("%s\tours %.1f ms\tbare %.1f ms\tratio %.2f\tprocessor time: ours %.1f ms\tbare %.1f ms"
                    "\tratio %.2f\n",
                    where, f.startupMs, f.bareMs, f.startupMs / f.bareMs, f.startupCpuMs, f.bareCpuMs,
                    f.startupCpuMs / f.bareCpuMs);
    }
    return offscreen.startupMs < 0 || onX.startupMs < 0;
}

std::string bareProgram(const std::string& self)
{
    return QFileInfo(QString::fromStdString(self))
        .dir()
        .filePath(QStringLiteral("options_bare_window"))
        .toStdString();
}

int orchestrate(const std::string& self)
{
    QTemporaryDir emptyStore;
    QTemporaryDir store1000;
    QTemporaryDir store10000;
    if (!emptyStore.isValid() || !store1000.isValid() || !store10000.isValid())
        return 1;
    auto path = [](const QTemporaryDir& d) { return d.path().toStdString(); };

    const std::string bare = bareProgram(self);
    const StartupFigures offscreen = compareStartups(self, bare, path(emptyStore), {});
    if (offscreen.startupMs < 0) {
        std::fprintf(stderr, "offscreen start-up runs failed\n");
        return 1;
    }
    StartupFigures onX;
    {
        const bench::XServer x;
        if (!x.display().empty())
            onX = compareStartups(self, bare, path(emptyStore), x.display());
    }
    if (onX.startupMs < 0)
        std::fprintf(stderr, "no start-up figures under X (is Xvfb installed?)\n");

    auto accountFigure = [&](const QTemporaryDir& dir, int accounts, int runs) -> double {
        if (!spawn(self, {"--prepare", std::to_string(accounts)}, path(dir)).ok)
            return -1;
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            const ChildResult r = spawn(self, {"--accounts"}, path(dir));
            double ms = 0;
            int loaded = 0;
            if (!r.ok || std::sscanf(r.output.c_str(), "%lf %d", &ms, &loaded) != 2 || loaded != accounts)
                return -1;
            times.push_back(ms);
        }
        return median(times);
    };
    const double with0 = accountFigure(emptyStore, 0, 5);
    const double with1000 = accountFigure(store1000, 1000, 5);
    const double with10000 = accountFigure(store10000, 10000, 3);
    if (with0 < 0 || with1000 < 0 || with10000 < 0) {
        std::fprintf(stderr, "account runs failed\n");
        return 1;
    }

    std::printf("start-up to window shown and idle (empty store, default character), offscreen\t%.1f\tms\t"
                "<= 1.2x bare\t%.2f\n",
                offscreen.startupMs, offscreen.startupMs / offscreen.bareMs);
    std::printf("start-up of a bare Qt window with %lld widgets, offscreen\t%.1f\tms\tbaseline\n",
                offscreen.widgets, offscreen.bareMs);
    std::printf("processor time of the start-up, offscreen\t%.1f\tms\t<= 1.2x bare\t%.2f\n",
                offscreen.startupCpuMs, offscreen.startupCpuMs / offscreen.bareCpuMs);
    if (onX.startupMs >= 0) {
        std::printf("start-up to window shown and idle, under a bare X server (Xvfb)"
                    "\t%.1f\tms\t<= 1.2x bare\t%.2f\n",
                    onX.startupMs, onX.startupMs / onX.bareMs);
        std::printf("start-up of a bare Qt window with %lld widgets, under Xvfb\t%.1f\tms\tbaseline\n",
                    onX.widgets, onX.bareMs);
        std::printf("processor time of the start-up, under Xvfb\t%.1f\tms\t<= 1.2x bare\t%.2f\n",
                    onX.startupCpuMs, onX.startupCpuMs / onX.bareCpuMs);
    }
    std::printf("window shown with no accounts (from creating the window)\t%.1f\tms\treference\n", with0);
    std::printf("window shown with 1000 accounts\t%.1f\tms\t< 150\n", with1000);
    std::printf("window shown with 10000 accounts\t%.1f\tms\t< 1000\n", with10000);
    std::printf("peak memory at start-up\t%.1f\tMB\t< 60\n", double(offscreen.peakKb) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "--startup" || mode == "--startup-counting" || mode == "--phases") && argc > 2)
        return runStartup(argc, argv, std::atoll(argv[2]), mode == "--phases", mode == "--startup-counting");
    if (mode == "--prepare" && argc > 2)
        return runPrepare(argc, argv, std::atoi(argv[2]));
    if (mode == "--accounts")
        return runAccounts(argc, argv);

    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';
    if (mode == "--startup-only")
        return compareOnly(self, bareProgram(self));
    return orchestrate(self);
}
