// Figures for the store's two bulk user actions: writing 1,000 accounts and
// Delete's renumbering of 1,000 accounts, each ending in the one sync the
// action makes (which waits for the disk). Runs on a store in a temporary
// configuration folder. Each action is repeated on a fresh store; the best
// run is the figure, as other load on the machine only ever adds time.

#include "Module1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Module1;
using namespace Qt::StringLiterals;

namespace {

constexpr qint16 kAccounts = 1000;
constexpr int kRuns = 7;

struct Timing
{
    double wallMs = -1;
    double cpuMs = -1;
};

double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void printFigure(const char* figure, std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    std::printf("%s (best of %d)\t%.1f\tms\t< 50\n", figure, kRuns, runs.front());
    std::printf("%s (median of %d)\t%.1f\tms\t< 50\n", figure, kRuns, runs[runs.size() / 2]);
}

Timing fillAccounts()
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuNow();
    for (qint16 n = 1; n <= kAccounts; ++n) {
        ResetAccount();
        AccountRecord.Aname = u"アカウント"_s + QString::number(n);
        AccountRecord.Hname = u"pop%1.example.jp"_s.arg(n);
        AccountRecord.Uname = u"user%1"_s.arg(n);
        AccountRecord.Passw = u"password 日本"_s + QString::number(n);
        AccountRecord.Scolor1 = n;
        SaveAccount(n);
    }
    const bool synced = SyncSettings();
    const Timing timing{timer.nsecsElapsed() / 1e6, cpuNow() - cpuStart};
    return synced ? timing : Timing{};
}

Timing deleteFirstAccount()
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuNow();
    for (qint16 k = 2; k <= kAccounts; ++k) {
        LoadAccount(k);
        SaveAccount(k - 1);
    }
    const bool synced = SyncSettings();
    const Timing timing{timer.nsecsElapsed() / 1e6, cpuNow() - cpuStart};
    return synced ? timing : Timing{};
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir configHome;
    if (!configHome.isValid())
        return 1;
    // Before the store is first used: it takes its folder from the environment once.
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    std::vector<double> save, saveCpu, renumber, renumberCpu;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(StoreFilePath());
        ReloadStore();
        const Timing saved = fillAccounts();
        ReloadStore(); // Delete works on a store read from disk
        const Timing renumbered = deleteFirstAccount();
        if (saved.wallMs < 0 || renumbered.wallMs < 0) {
            std::fprintf(stderr, "the store refused a sync\n");
            return 1;
        }
        save.push_back(saved.wallMs);
        saveCpu.push_back(saved.cpuMs);
        renumber.push_back(renumbered.wallMs);
        renumberCpu.push_back(renumbered.cpuMs);
    }
    printFigure("save 1000 accounts + sync", save);
    printFigure("delete renumbering of 1000 accounts + sync", renumber);
    // Processor time alone, without waiting for the disk or for other processes.
    printFigure("save 1000 accounts + sync, CPU time", saveCpu);
    printFigure("delete renumbering of 1000 accounts + sync, CPU time", renumberCpu);
    return 0;
}
