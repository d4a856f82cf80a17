#pragma once

// The store file as the write policy (IniStorePolicy.h) sees it: a file read
// whole, read again through the descriptor kept since, and replaced in one
// step if it is still the one read. Each answer says what the system knows
// of other writers, so that the policy needs timing only where it knows
// nothing.

#include "StoreProblem.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace settings {

// Whether another process had the file open for writing during a read.
enum class Writers { None, Present, Unknown };

enum class Replaced {
    Done,
    // The path held another file than the kept one when ours replaced it:
    // another program had renamed its own over it. That file is kept now.
    Displaced,
    // Not replaced: the kept file was not current any more.
    Outdated,
    Failed,
};

class IniFileDevice
{
public:
    virtual ~IniFileDevice() = default;

    // The store file's path, as messages name it.
    virtual QString path() const = 0;

    // Opens the file at the store's path and keeps it open; none there is
    // an empty store (exists() false). False, with the problem, when
    // something is there that cannot be read or is no regular file.
    virtual bool open(StoreProblem* problem) = 0;
    virtual bool exists() const = 0;
    // The kept file's permission bits.
    virtual unsigned mode() const = 0;
    // Without write permission for its owner the kept file is read-only,
    // for root too, as editors treat such a file.
    virtual bool isReadOnly() const = 0;
    // Removes the temporary files a replace that was killed left beside
    // the path. Only called with the lock held, when none is in use.
    virtual void removeLeftovers() = 0;
    // The kept file whole, from its start.
    virtual bool read(QByteArray* bytes, Writers* writers, StoreProblem* problem) = 0;
    // Whether the path still names the kept file as it was at its last read.
    virtual bool pathShowsKept() const = 0;
    // bytes, on the disk, put at the path in one step with mode; isCurrent
    // is asked right before that step.
    virtual Replaced replace(const QByteArray& bytes, unsigned mode, const std::function<bool()>& isCurrent,
                             StoreProblem* problem) = 0;
    // Whether the path still names the file the last replace put there,
    // unchanged.
    virtual bool pathShowsOurs() const = 0;
};

// The store file at path (links already followed) on this system.
std::unique_ptr<IniFileDevice> makeIniFileDevice(const QString& path);

} // namespace settings
