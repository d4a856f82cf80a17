#pragma once

// What keeps two cooperating writers of the store file apart: the lock file
// beside it, which the mail checker and this program take around a write.

#include "StoreProblem.h"

#include <QString>

#include <memory>

namespace settings {

class StoreLock
{
public:
    virtual ~StoreLock() = default;
    // Waits, bounded, for the lock. False, with the problem, when it stays held.
    virtual bool take(StoreProblem* problem) = 0;
    virtual void release() = 0;
};

// path + ".lock", a QLockFile; a lock left by a process that died is taken over.
std::unique_ptr<StoreLock> makeLockBeside(const QString& path);

} // namespace settings
