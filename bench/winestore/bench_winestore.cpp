// Figures for the store on a Wine prefix's registry beside the INI store, in
// one run: the program's start (window shown and idle), account OK of
// account 1, Delete (削除) of the first account and options OK up to the
// program's end, for stores of 3 and of 1,000 accounts, with a Wine program
// of the prefix running (a persistent wineserver, as the resident mail
// checker keeps one) and with none. Each session is a fresh process of the
// real window, offscreen; the store is put back before each.
//
// Also the cost of one helper run beside a running wineserver against a
// round trip to a helper kept running, which decides whether keeping one
// for the window's life pays off; both started as a plain `wine` run, and
// both through the program's client, which keeps the helper and the server
// on one CPU for the call.
//
// Makes its own prefix (wineboot, ten to twenty seconds); prints a note and
// nothing else when Wine or quorvix-registry.exe is missing.

#include "CommonDialogs.h"
#include "KeySchema.h"
#include "Median.h"
#include "Module1.h"
#include "ProgramStart.h"
#include "RegistryHelper.h"
#include "StoreActions.h"
#include "WineRegistryText.h"
#include "optionform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

double msSince(qint64 ns)
{
    return double(monotonicNs() - ns) / 1e6;
}

// ---- in the child: one session of the real window ----

int runPrepare(int argc, char** argv, int accounts)
{
    QCoreApplication app(argc, argv);
    Module1::WriteSetting(u"accountno"_s, QString::number(accounts));
    for (int n = 1; n <= accounts; ++n) {
        Module1::ResetAccount();
        Module1::AccountRecord.Aname = u"アカウント%1"_s.arg(n);
        Module1::AccountRecord.Hname = u"pop%1.example.jp"_s.arg(n);
        Module1::AccountRecord.Uname = u"user%1"_s.arg(n);
        Module1::AccountRecord.Passw = u"secret%1"_s.arg(n);
        Module1::AccountRecord.Check = qint16(n % 2);
        Module1::AccountRecord.Scolor1 = n;
        Module1::SaveAccount(qint16(n));
    }
    settings::StoreProblem problem;
    if (!Module1::SyncSettings(&problem)) {
        std::fprintf(stderr, "prepare: %s\n", qPrintable(problem.detail));
        return 1;
    }
    return 0;
}

// Start, account OK of account 1, Delete of account 1, options OK to the
// window's end; prints the four times in ms.
int runSession(int argc, char** argv, qint64 spawnedAt)
{
    double startMs = -1;
    double accountOkMs = -1;
    double deleteMs = -1;
    qint64 okAt = 0;
    app::StartWatch watch;
    watch.windowShown = [&](optionform& form) {
        // The program ends as it ends itself; the time to the process's end
        // is taken by the parent, from the moment of the click printed here.
        QObject::connect(&form, &optionform::programEnding, &form, [&] {
            std::printf("%.3f %.3f %.3f %lld\n", startMs, accountOkMs, deleteMs,
                        static_cast<long long>(okAt));
            std::fflush(stdout);
        });
        auto* dispatcher = QAbstractEventDispatcher::instance();
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &form, [&] {
            if (startMs >= 0)
                return;
            startMs = msSince(spawnedAt);
            qint64 at = monotonicNs();
            Module1::ResetAccount();
            Module1::LoadAccount(1);
            Module1::AccountRecord.Hname = u"changed.example.jp"_s;
            if (!Module1::StoreAccount(1))
                std::_Exit(3);
            accountOkMs = msSince(at);
            at = monotonicNs();
            if (!Module1::DeleteAccount(1))
                std::_Exit(4);
            deleteMs = msSince(at);
            okAt = monotonicNs();
            form.OkBt_Click();
        });
    };
    // The program's own start, as main() runs it.
    const int exitCode = app::runProgram(argc, argv, watch);
    return exitCode == 0 && okAt ? 0 : 5;
}

// ---- in the orchestrating process ----

struct Session
{
    double start = -1;
    double accountOk = -1;
    double deleteFirst = -1;
    double ok = -1;
};

class Bench
{
public:
    QString self;
    QString prefix;
    QString configHome;

    QProcessEnvironment environment(bool wine) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_s, configHome);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"WINEPREFIX"_s, prefix);
        environment.insert(u"WINEDEBUG"_s, u"-all"_s);
        environment.insert(u"QUORVIX_STORE"_s, wine ? u"wine"_s : u"ini"_s);
        return environment;
    }

    bool run(const QString& program, const QStringList& arguments, bool wine, QByteArray* output = nullptr,
             const QByteArray& input = {}) const
    {
        QProcess process;
        process.setProcessEnvironment(environment(wine));
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(300'000))
            return false;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    void startWine() const { run(u"wineserver"_s, {u"-p"_s}, true); }
    void stopWine() const
    {
        run(u"wineserver"_s, {u"-k"_s}, true);
        run(u"wineserver"_s, {u"-w"_s}, true);
    }

    // Medians of runs sessions, the store put back before each.
    Session sessions(int accounts, bool wine, bool wineRuns, int runs) const
    {
        std::vector<double> start, accountOk, deleteFirst, ok;
        for (int run = 0; run < runs; ++run) {
            if (wine && wineRuns)
                startWine();
            if (!this->run(self, {u"--prepare"_s, QString::number(accounts)}, wine))
                return {};
            if (wine && !wineRuns)
                stopWine();
            QByteArray output;
            if (!this->run(self, {u"--session"_s, QString::number(monotonicNs())}, wine, &output))
                return {};
            const qint64 endedAt = monotonicNs();
            Session s;
            long long okAt = 0;
            if (std::sscanf(output.constData(), "%lf %lf %lf %lld", &s.start, &s.accountOk, &s.deleteFirst,
                            &okAt) != 4)
                return {};
            s.ok = double(endedAt - okAt) / 1e6;
            start.push_back(s.start);
            accountOk.push_back(s.accountOk);
            deleteFirst.push_back(s.deleteFirst);
            ok.push_back(s.ok);
        }
        return {median(start), median(accountOk), median(deleteFirst), median(ok)};
    }

    // One helper run that only reads, against one more request to a helper
    // that is already running (the round trip a kept helper would cost).
    std::pair<double, double> helperRunAgainstRoundTrip(int runs) const
    {
        const QByteArray request = settings::HelperRequest(settings::kMailCheckerKey.toString(), {});
        std::vector<double> fresh, kept;
        for (int run = 0; run < runs; ++run) {
            qint64 at = monotonicNs();
            this->run(u"wine"_s, {settings::RegistryHelper::program()}, true, nullptr,
                      settings::kHelperProtocolLine.toByteArray() + request);
            fresh.push_back(msSince(at));

            QProcess helper;
            helper.setProcessEnvironment(environment(true));
            helper.start(u"wine"_s, {settings::RegistryHelper::program()});
            helper.write(settings::kHelperProtocolLine.toByteArray() + request);
            QByteArray seen;
            const auto waitForReplies = [&](int replies) {
                while (seen.count("\nend\n") < replies && helper.waitForReadyRead(30'000))
                    seen += helper.readAllStandardOutput();
            };
            waitForReplies(1);
            at = monotonicNs();
            helper.write(request);
            waitForReplies(2);
            kept.push_back(msSince(at));
            helper.closeWriteChannel();
            helper.waitForFinished(10'000);
        }
        return {median(fresh), median(kept)};
    }

    // The same through the program's own client, which keeps the helper
    // and the server on one CPU for the call.
    std::pair<double, double> clientRunAgainstRoundTrip(int runs) const
    {
        const QString key = settings::kMailCheckerKey.toString();
        std::vector<double> fresh, kept;
        settings::HelperReply reply;
        QString reason;
        for (int run = 0; run < runs; ++run) {
            qint64 at = monotonicNs();
            settings::RegistryHelper(prefix).call(key, {}, &reply, &reason, false);
            fresh.push_back(msSince(at));
            settings::RegistryHelper helper(prefix);
            helper.call(key, {}, &reply, &reason, true);
            at = monotonicNs();
            helper.call(key, {}, &reply, &reason, true);
            kept.push_back(msSince(at));
        }
        return {median(fresh), median(kept)};
    }
};

void printRow(const char* figure, int accounts, const char* store, double ms, double iniMs,
              const char* target)
{
    if (iniMs > 0)
        std::printf("%s, %d accounts, %s\t%.1f\tms\t%s\t%.2fx INI\n", figure, accounts, store, ms, target,
                    ms / iniMs);
    else
        std::printf("%s, %d accounts, %s\t%.1f\tms\t%s\n", figure, accounts, store, ms, target);
}

int orchestrate(const QString& self)
{
    if (QStandardPaths::findExecutable(u"wine"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"wineboot"_s).isEmpty()) {
        std::fprintf(stderr, "bench_winestore: Wine is not installed, nothing measured\n");
        return 0;
    }
    if (settings::RegistryHelper::program().isEmpty()) {
        std::fprintf(stderr, "bench_winestore: quorvix-registry.exe was not built, nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    Bench bench;
    bench.self = self;
    bench.prefix = dir.filePath(u"prefix"_s);
    bench.configHome = dir.filePath(u"config"_s);
    QDir().mkpath(bench.configHome);
    const qint64 bootAt = monotonicNs();
    // wineboot returns before the server has written the new registry.
    if (!bench.run(u"wineboot"_s, {u"-i"_s}, true) || !bench.run(u"wineserver"_s, {u"-w"_s}, true))
        return 1;
    std::printf("making the prefix (wineboot -i)\t%.0f\tms\t-\n", msSince(bootAt));
    // The window would ask for a character it cannot find; the default one
    // goes where the mail checker's Windows directory has it.
    const QString character = Module1::ToLocalPath(settings::AgentnmDefault(Module1::WindowsDirectory()));
    const QString chars = bench.prefix + u"/drive_c/windows/Msagent/chars"_s;
    QDir().mkpath(chars);
    QFile::copy(character, chars + u"/Pipwren.acs"_s);

    for (const int accounts : {3, 1000}) {
        const int runs = accounts > 100 ? 3 : 5;
        const Session ini = bench.sessions(accounts, false, false, runs);
        const Session running = bench.sessions(accounts, true, true, runs);
        bench.stopWine();
        const Session idle = bench.sessions(accounts, true, false, runs);
        if (ini.start < 0 || running.start < 0 || idle.start < 0) {
            std::fprintf(stderr, "bench_winestore: a session with %d accounts failed\n", accounts);
            return 1;
        }
        const bool few = accounts == 3;
        printRow("start (window shown and idle)", accounts, "INI", ini.start, -1, "baseline");
        printRow("start (window shown and idle)", accounts, "Wine, a Wine program running", running.start,
                 ini.start, few ? "<= 1.5x INI" : "-");
        printRow("start (window shown and idle)", accounts, "Wine, none running", idle.start, ini.start, "-");
        printRow("account OK", accounts, "INI", ini.accountOk, -1, "baseline");
        printRow("account OK", accounts, "Wine, a Wine program running", running.accountOk, ini.accountOk,
                 "-");
        printRow("account OK", accounts, "Wine, none running", idle.accountOk, ini.accountOk, "-");
        printRow("削除 of the first", accounts, "INI", ini.deleteFirst, -1, "baseline");
        printRow("削除 of the first", accounts, "Wine, a Wine program running", running.deleteFirst,
                 ini.deleteFirst, few ? "-" : "<= 300 ms");
        printRow("削除 of the first", accounts, "Wine, none running", idle.deleteFirst, ini.deleteFirst, "-");
        printRow("OK to the program's end", accounts, "INI", ini.ok, -1, "baseline");
        printRow("OK to the program's end", accounts, "Wine, a Wine program running", running.ok, ini.ok,
                 few ? "<= 3x INI" : "-");
        printRow("OK to the program's end (waits for Wine's save)", accounts, "Wine, none running", idle.ok,
                 ini.ok, "-");
    }
    bench.startWine();
    const auto [fresh, kept] = bench.helperRunAgainstRoundTrip(7);
    std::printf("one helper run reading the key, a Wine program running\t%.1f\tms\t-\n", fresh);
    std::printf("the same read by a helper kept running (a pipe round trip)\t%.1f\tms\t-\n", kept);
    const auto [clientFresh, clientKept] = bench.clientRunAgainstRoundTrip(7);
    std::printf("one helper run reading the key, helper and server on one CPU\t%.1f\tms\t-\n", clientFresh);
    std::printf("the same read by a kept helper, on one CPU\t%.1f\tms\t-\n", clientKept);
    bench.stopWine();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--prepare" && argc > 2)
        return runPrepare(argc, argv, std::atoi(argv[2]));
    if (mode == "--session" && argc > 2)
        return runSession(argc, argv, std::atoll(argv[2]));
    qputenv("QUORVIX_STORE", "ini");
    QCoreApplication app(argc, argv);
    return orchestrate(QCoreApplication::applicationFilePath());
}
