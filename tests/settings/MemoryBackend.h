#pragma once

// A store without a file, for the store's and the actions' tests: the values
// live in a map the test holds (what is "on disk"), commits are recorded in
// order, and a commit can be made to fail as a full disk would.

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
};

class MemoryBackend final : public StoreBackend
{
public:
    explicit MemoryBackend(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}

    QString location() const override { return QStringLiteral("memory"); }
    QString storeFile() const override { return location(); }
    bool reload(StoreProblem*) override
    {
        read_ = disk_->values;
        return true;
    }
    std::optional<QString> value(const QString& key) const override
    {
        const auto it = read_.constFind(key);
        return it == read_.cend() ? std::nullopt : std::optional(*it);
    }
    QStringList keys() const override { return read_.keys(); }
    bool commit(const std::vector<StoreChange>& changes, StoreProblem* problem) override
    {
        if (disk_->refuseCommits) {
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
        return true;
    }

private:
    std::shared_ptr<MemoryDisk> disk_;
    QMap<QString, QString> read_;
};

} // namespace settings::test
