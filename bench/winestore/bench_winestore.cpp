// Figures for the store on a Wine prefix's registry with 1,000 accounts:
// start-up (reading the store, every option and every account), options OK,
// account OK and Delete of the first account, each with no Wine program of
// the prefix running (Wine starts cold for the action) and with one running
// (a persistent wineserver, as the resident mail checker keeps). Also how
// many Wine calls each action makes: one reg import, and the reg export that
// reads it back. Makes its own prefix (wineboot, about ten seconds); prints
// nothing but a note when Wine is not installed.

#include "BusyNotice.h"
#include "Module1.h"
#include "OptionsRecord.h"
#include "StoreChoice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Module1;
using namespace Qt::StringLiterals;

namespace {

constexpr qint16 kAccounts = 1000;
constexpr int kRuns = 3;

QString gPrefix;
int gWineCalls = 0;

bool runQuietly(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"WINEPREFIX"_s, gPrefix);
    environment.insert(u"WINEDEBUG"_s, u"-all"_s);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(180'000) && process.exitCode() == 0;
}

void stopWine()
{
    runQuietly(u"wineserver"_s, {u"-k"_s});
    runQuietly(u"wineserver"_s, {u"-w"_s});
}

void fillAccounts()
{
    for (qint16 n = 1; n <= kAccounts; ++n) {
        ResetAccount();
        AccountRecord.Aname = u"アカウント"_s + QString::number(n);
        AccountRecord.Hname = u"pop%1.example.jp"_s.arg(n);
        AccountRecord.Uname = u"user%1"_s.arg(n);
        AccountRecord.Passw = u"password 日本"_s + QString::number(n);
        SaveAccount(n);
    }
    WriteSetting(u"accountno"_s, QString::number(kAccounts));
}

struct Figure
{
    double bestMs = -1;
    int wineCalls = 0;
};

// Best of kRuns of action, each after prepare (not timed).
Figure measure(const std::function<void()>& prepare, const std::function<bool()>& action)
{
    std::vector<double> runs;
    Figure figure;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        gWineCalls = 0;
        QElapsedTimer timer;
        timer.start();
        if (!action())
            return {};
        runs.push_back(double(timer.nsecsElapsed()) / 1e6);
        figure.wineCalls = gWineCalls;
    }
    figure.bestMs = *std::min_element(runs.begin(), runs.end());
    return figure;
}

void print(const char* figure, const char* mode, const Figure& f, const char* target)
{
    std::printf("%s, %s (best of %d; %d Wine calls)\t%.0f\tms\t%s\n", figure, mode, kRuns, f.wineCalls,
                f.bestMs, target);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable(u"wine"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"wineboot"_s).isEmpty()) {
        std::fprintf(stderr, "bench_winestore: Wine is not installed, nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    QTemporaryDir configHome;
    gPrefix = dir.filePath(u"prefix"_s);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    qputenv("WINEPREFIX", QFile::encodeName(gPrefix));
    qputenv("QUORVIX_STORE", "wine");
    QElapsedTimer boot;
    boot.start();
    // wineboot returns before the server has written the new registry.
    if (!runQuietly(u"wineboot"_s, {u"-i"_s}) || !runQuietly(u"wineserver"_s, {u"-w"_s}))
        return 1;
    const double bootMs = double(boot.nsecsElapsed()) / 1e6;
    settings::SetBusyIndicator([](bool busy) { gWineCalls += busy ? 1 : 0; });
    ReloadStore();
    fillAccounts();
    QString reason;
    if (!SyncSettings(&reason)) {
        std::fprintf(stderr, "bench_winestore: %s\n", qPrintable(reason));
        return 1;
    }
    std::printf("making the prefix (wineboot -i)\t%.0f\tms\t-\n", bootMs);

    const QString windowsDirectory = u"C:\\windows"_s;
    const auto startUp = [&] {
        ReloadStore();
        const settings::OptionsRecord options = settings::ReadOptions(windowsDirectory);
        for (qint16 n = 1; n <= options.AccountCount; ++n) {
            ResetAccount();
            LoadAccount(n);
        }
        AccountCount = options.AccountCount;
        return StoreReadProblem().isEmpty() && options.AccountCount >= kAccounts - 1;
    };
    const auto optionsOk = [&] {
        settings::WriteOptions(settings::ReadOptions(windowsDirectory));
        WriteSetting(u"accountno"_s, QString::number(AccountCount));
        return SyncSettings();
    };
    const auto accountOk = [] {
        LoadAccount(1);
        AccountRecord.Hname = u"changed.example.jp"_s;
        SaveAccount(1);
        return SyncSettings();
    };
    const auto deleteFirst = [] { return DeleteAccount(1); };
    // Delete leaves 999 accounts; the last is put back before the next run.
    const auto refill = [] {
        if (AccountCount < kAccounts) {
            ResetAccount();
            AccountRecord.Aname = u"アカウント1000"_s;
            SaveAccount(kAccounts);
            WriteSetting(u"accountno"_s, QString::number(kAccounts));
            SyncSettings();
            AccountCount = kAccounts;
        }
    };

    for (const bool running : {false, true}) {
        const char* mode = running ? "a Wine program running" : "no Wine program running";
        QProcess server;
        if (running) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"WINEPREFIX"_s, gPrefix);
            server.setProcessEnvironment(environment);
            server.start(u"wineserver"_s, {u"-p"_s});
            server.waitForFinished(10'000);
            runQuietly(u"wine"_s, {u"reg"_s, u"query"_s, u"HKCU\\Software"_s, u"/v"_s, u"none"_s});
        }
        const auto settle = [running] {
            if (!running)
                stopWine();
        };
        refill();
        print("start-up: store, options and 1000 accounts read", mode, measure(settle, startUp),
              "at most one reg export");
        startUp();
        print("options OK", mode, measure(settle, optionsOk), "one reg import");
        print("account OK of account 1", mode, measure(settle, accountOk), "one reg import");
        print("Delete of account 1 of 1000", mode,
              measure(
                  [&] {
                      refill();
                      settle();
                  },
                  deleteFirst),
              "one reg import");
    }
    stopWine();
    return 0;
}
