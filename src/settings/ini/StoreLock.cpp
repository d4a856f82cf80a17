#include "StoreLock.h"

#include <QLockFile>

namespace settings {

namespace {

// A writer that died holding the lock is noticed at once by its process id;
// a lock left by another machine counts as stale after this long.
constexpr int kStaleLockMs = 30'000;
constexpr int kLockWaitMs = 3'000;

class LockFileBeside final : public StoreLock
{
public:
    explicit LockFileBeside(const QString& path) : path_(path + QStringLiteral(".lock")), lock_(path_)
    {
        lock_.setStaleLockTime(kStaleLockMs);
    }

    bool take(StoreProblem* problem) override
    {
        if (lock_.tryLock(kLockWaitMs))
            return true;
        switch (lock_.error()) {
        case QLockFile::LockFailedError:
            *problem = {StoreProblem::Kind::HeldByOther,
                        QStringLiteral("%1 is held by another program, or is not a lock file").arg(path_)};
            break;
        case QLockFile::PermissionError:
            *problem = {StoreProblem::Kind::ReadOnly,
                        QStringLiteral("cannot create the lock file %1").arg(path_)};
            break;
        default:
            *problem = {StoreProblem::Kind::Other, QStringLiteral("cannot take the lock %1").arg(path_)};
            break;
        }
        return false;
    }

    void release() override { lock_.unlock(); }

private:
    QString path_;
    QLockFile lock_;
};

} // namespace

std::unique_ptr<StoreLock> makeLockBeside(const QString& path)
{
    return std::make_unique<LockFileBeside>(path);
}

} // namespace settings
