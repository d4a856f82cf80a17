// Figures for the actions whose cost grows with the number of accounts:
// Delete of the first account (every later account is renumbered) with 1,000
// and 10,000 accounts, OK in the account window adding the 1,001st account,
// and the options window's OK on a store of 10,000 accounts (its sync reads
// and rewrites the whole file). Each runs through the real handler on a hidden window and
// includes the action's one sync, which waits for the disk. Every run starts
// from a freshly written store in a temporary configuration folder; the best
// run is the figure, as other load on the machine only ever adds time.

#include "AccountRows.h"
#include "FlexGrid.h"
#include "Module1.h"
#include "accountform.h"
#include "optionform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

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

// Times action on the wall clock and in CPU time; the CPU time leaves out
// waiting for the disk and for other processes on a busy machine.
Timing timed(const std::function<void()>& action)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuNow();
    action();
    return {double(timer.nsecsElapsed()) / 1e6, cpuNow() - cpuStart};
}

// A store with accounts 1..count on disk, and the count in Module1.
bool prepareStore(int count)
{
    QFile::remove(Module1::StoreFilePath());
    Module1::ReloadStore();
    for (int n = 1; n <= count; ++n) {
        Module1::ResetAccount();
        Module1::AccountRecord.Aname = u"アカウント"_s + QString::number(n);
        Module1::AccountRecord.Hname = u"pop%1.example.jp"_s.arg(n);
        Module1::AccountRecord.Uname = u"user%1"_s.arg(n);
        Module1::AccountRecord.Passw = u"password 日本"_s + QString::number(n);
        Module1::AccountRecord.Scolor1 = n;
        Module1::SaveAccount(qint16(n));
    }
    Module1::WriteSetting(u"accountno"_s, QString::number(count));
    Module1::AccountCount = qint16(count);
    if (!Module1::SyncSettings())
        return false;
    Module1::ReloadStore(); // the program works on a store it read at start
    return true;
}

// The grid as loading leaves it.
void fillGrid(controls::FlexGrid& grid)
{
    for (int n = 1; n <= Module1::AccountCount; ++n) {
        Module1::ResetAccount();
        Module1::LoadAccount(qint16(n));
        accounts::appendAccountRow(grid, Module1::AccountRecord);
    }
}

Timing deleteFirst(int count)
{
    if (!prepareStore(count))
        return {};
    optionform form;
    fillGrid(*form.accountList);
    form.accountList->setRow(1);
    Module1::SelectedRow = 1;
    const Timing t = timed([&form] { form.delbutton_Click(); });
    if (Module1::AccountCount != count - 1 ||
        Module1::ReadSetting(u"accountno"_s, {}) != QString::number(count - 1))
        return {};
    return t;
}

Timing addAccount(int existing)
{
    if (!prepareStore(existing))
        return {};
    optionform form;
    fillGrid(*form.accountList);
    Module1::EditMode = 0;
    accountform window(&form);
    window.setAccountList(form.accountList);
    window.Hostname->setText(u"pop.example.jp"_s);
    window.UserName->setText(u"newcomer"_s);
    window.MailPassWord->setText(u"secret"_s);
    const Timing t = timed([&window] { window.Command1_Click(); });
    if (Module1::AccountCount != existing + 1 || form.accountList->Rows() != existing + 2)
        return {};
    return t;
}

Timing saveOptions(int accounts)
{
    if (!prepareStore(accounts))
        return {};
    optionform form;
    form.talkcntbox->setText(u"7"_s); // one key that really changes
    const Timing t = timed([&form] { form.savedata(); });
    Module1::ReloadStore();
    if (Module1::ReadSetting(u"Talkcnt"_s, {}) != u"7"_s)
        return {};
    return t;
}

bool printBest(const char* figure, int runs, const char* target, const std::function<Timing()>& run)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const Timing t = run();
        if (t.wallMs < 0) {
            std::fprintf(stderr, "bench_accounts: a run of \"%s\" failed\n", figure);
            return false;
        }
        wall.push_back(t.wallMs);
        cpu.push_back(t.cpuMs);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s (best of %d)\t%.1f\tms\t%s\n", figure, runs, wall.front(), target);
    std::printf("%s, CPU time (best of %d)\t%.1f\tms\t%s\n", figure, runs, cpu.front(), target);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    bool ok = printBest("delete the first of 1000 accounts", 5, "< 20", [] { return deleteFirst(1000); });
    ok = printBest("delete the first of 10000 accounts", 3, "< 150", [] { return deleteFirst(10000); }) && ok;
    ok = printBest("add the 1001st account", 5, "< 50", [] { return addAccount(1000); }) && ok;
    ok =
        printBest("options OK on a store of 10000 accounts", 3, "< 150", [] { return saveOptions(10000); }) &&
        ok;
    return ok ? 0 : 1;
}
