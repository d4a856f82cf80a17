#pragma once

// A store without a file, for the store's and the actions' tests: the values
// live in a map the test holds (what is "on disk"), commits are recorded in
// order, and a read or a commit can be made to fail as a bad disk would.

#include "AnsiText.h"
#include "StoreBackend.h"

#include <QMap>
#include <QString>

#include <memory>
#include <vector>

namespace settings::test {

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
};

class MemoryBackend final : public StoreBackend
{
public:
    explicit MemoryBackend(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}

    QString location() const override { return QStringLiteral("memory"); }
    QString storeFile() const override { return location(); }
    bool reload(StoreProblem* problem) override
    {
        if (disk_->refuseReads) {
            *problem = {StoreProblem::Kind::Unreadable, QStringLiteral("the disk cannot be read")};
            return false;
        }
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

private:
    std::shared_ptr<MemoryDisk> disk_;
    QMap<QString, QString> read_;
};

} // namespace settings::test
