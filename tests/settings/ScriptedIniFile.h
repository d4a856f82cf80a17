#pragma once

// The store file's device and clock played by a script, for the write
// policy's tests: other programs' writes happen at fixed steps (each read,
// right before our rename, right after it) and time passes only when the
// policy sleeps, so every race is the same on every run.

#include "IniFileDevice.h"
#include "StoreClock.h"
#include "StoreLock.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace settings::test {

class SteppedClock final : public StoreClock
{
public:
    qint64 nowMs() const override { return now; }
    void sleepMs(int ms) override { now += ms; }

    qint64 now = 0;
};

class FreeLock final : public StoreLock
{
public:
    bool take(StoreProblem*) override { return true; }
    void release() override {}
};

// One file on the scripted disk; writers counts the processes that hold it
// open for writing.
struct ScriptedFile
{
    QByteArray bytes;
    int writers = 0;
};

class ScriptedIniFile final : public IniFileDevice
{
public:
    explicit ScriptedIniFile(const QByteArray& bytes)
        : atPath(std::make_shared<ScriptedFile>(ScriptedFile{bytes}))
    {}

    // What the path names, the file we hold open, and the one we put there.
    std::shared_ptr<ScriptedFile> atPath;
    std::shared_ptr<ScriptedFile> kept;
    std::shared_ptr<ScriptedFile> ours;
    // The other program's steps.
    std::function<void()> onRead;
    std::function<void()> beforeRename;
    std::function<void()> afterRename;
    // Whether the system answers for other writers (a read lease).
    bool leases = true;
    int renames = 0;
    int outdated = 0;

    QString path() const override { return QStringLiteral("scripted.ini"); }
    bool open(StoreProblem*) override
    {
        kept = atPath;
        return true;
    }
    bool exists() const override { return kept != nullptr; }
    unsigned mode() const override { return 0600; }
    bool isReadOnly() const override { return false; }
    void removeLeftovers() override {}

    bool read(QByteArray* bytes, Writers* writers, StoreProblem*) override
    {
        if (onRead)
            onRead();
        *bytes = kept ? kept->bytes : QByteArray();
        *writers = !leases ? Writers::Unknown : kept && kept->writers > 0 ? Writers::Present : Writers::None;
        keptAtRead_ = *bytes;
        return true;
    }
    bool pathShowsKept() const override { return atPath == kept && (!kept || kept->bytes == keptAtRead_); }

    Replaced replace(const QByteArray& bytes, unsigned, const std::function<bool()>& isCurrent,
                     StoreProblem*) override
    {
        if (!isCurrent()) {
            ++outdated;
            return Replaced::Outdated;
        }
        if (beforeRename)
            beforeRename();
        const std::shared_ptr<ScriptedFile> displaced = atPath;
        ours = atPath = std::make_shared<ScriptedFile>(ScriptedFile{bytes});
        oursAtRename_ = bytes;
        ++renames;
        if (afterRename)
            afterRename();
        if (kept && displaced != kept) {
            kept = displaced;
            return Replaced::Displaced;
        }
        return Replaced::Done;
    }
    bool pathShowsOurs() const override { return atPath == ours && ours->bytes == oursAtRename_; }

private:
    QByteArray keptAtRead_;
    QByteArray oursAtRename_;
};

} // namespace settings::test
