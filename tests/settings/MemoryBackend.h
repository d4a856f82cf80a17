#pragma once

// A store without a file, for the store's and the actions' tests: the values
// live in a map the test holds (what is "on disk"), commits are recorded in
// order, and a read or a commit can be made to fail as a bad disk would. It can also
// stand for the Wine store: calls made on the store's worker thread, held
// at a gate as by a Wine that does not answer.

#include "AnsiText.h"
#include "StoreBackend.h"

#include <QMap>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace settings::test {

// Holds every call while closed; opening it or giving the call up (the
// store's abortPendingCall, from the waiting thread) lets it go on.
class CallGate
{
public:
    void close() { set(true, false); }
    void open() { set(false, false); }
    void abort() { set(closed_, true); }
    // Waits while closed; false when the call was given up.
    bool pass()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !closed_ || aborted_; });
        return !std::exchange(aborted_, false);
    }

private:
    void set(bool closed, bool aborted)
    {
        {
            const std::lock_guard lock(mutex_);
            closed_ = closed;
            aborted_ = aborted;
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
    bool aborted_ = false;
};

struct MemoryDisk
{
    QMap<QString, QString> values;
    std::vector<std::vector<StoreChange>> commits;
    bool refuseCommits = false;
    bool refuseReads = false;
    // A refused commit whose changes reached the disk all the same, as when
    // another program kept writing and the last look saw only part of them.
    bool refusedCommitsLand = false;
    // Texts kept as the Wine store keeps them, in code page 932's forms.
    bool ansiForms = false;
    // Stands for a store that runs other programs: the calls go through
    // gate, and the threads they came on (and the backend ended on) are kept.
    bool runsOtherPrograms = false;
    CallGate gate;
    std::vector<QThread*> callThreads;
    QThread* endedOn = nullptr;
};

class MemoryBackend final : public StoreBackend
{
public:
    explicit MemoryBackend(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}
    ~MemoryBackend() override { disk_->endedOn = QThread::currentThread(); }

    QString location() const override { return QStringLiteral("memory"); }
    QString storeFile() const override { return location(); }
    bool reload(StoreProblem* problem) override
    {
        if (disk_->refuseReads) {
            *problem = {StoreProblem::Kind::Unreadable, QStringLiteral("the disk cannot be read")};
            return false;
        }
        if (!called(problem))
            return false;
        read_ = disk_->values;
        return true;
    }
    std::optional<QString> value(const QString& key) const override
    {
        const auto it = read_.constFind(key);
        return it == read_.cend() ? std::nullopt : std::optional(*it);
    }
    QStringList keys() const override { return read_.keys(); }
    std::optional<QString> storedForm(const QString& text, QString* refused) const override
    {
        return disk_->ansiForms ? AnsiStorableText(text, refused) : std::optional(text);
    }
    bool commit(const std::vector<StoreChange>& changes, StoreProblem* problem) override
    {
        if (!called(problem))
            return false;
        if (disk_->refuseCommits && !disk_->refusedCommitsLand) {
            *problem = {StoreProblem::Kind::DiskFull, QStringLiteral("the disk is full")};
            return false;
        }
        disk_->commits.push_back(changes);
        for (const StoreChange& change : changes) {
            if (change.text)
                disk_->values.insert(change.key, *change.text);
            else
                disk_->values.remove(change.key);
        }
        read_ = disk_->values;
        if (disk_->refuseCommits)
            *problem = {StoreProblem::Kind::MayBeSaved,
                        QStringLiteral("another program kept writing; the changes may be saved")};
        return !disk_->refuseCommits;
    }

    bool settle(StoreProblem* problem) override { return called(problem); }
    void abortPendingCall() override { disk_->gate.abort(); }
    bool runsOtherPrograms() const override { return disk_->runsOtherPrograms; }

private:
    bool called(StoreProblem* problem)
    {
        disk_->callThreads.push_back(QThread::currentThread());
        if (disk_->gate.pass())
            return true;
        *problem = {StoreProblem::Kind::Abandoned, QStringLiteral("the call was given up")};
        return false;
    }

    std::shared_ptr<MemoryDisk> disk_;
    QMap<QString, QString> read_;
};

} // namespace settings::test
