// The store file through POSIX calls. Two answers of the kernel spare the
// policy its timing:
//
// - A read lease (F_SETLEASE, F_RDLCK) is refused while any process has the
//   file open for writing, and is broken when one opens it during our read.
//   Only the file's owner (or a process with CAP_LEASE) may take one, and
//   some file systems offer none: then the device says it does not know.
// - The path's device, inode, size and modification time, compared with the
//   descriptor's, tell whether another program replaced or wrote the file
//   since we read it. The replace itself exchanges our file with the one at
//   the path in one step (renameat2 RENAME_EXCHANGE), so the file it took
//   the place of is seen, not guessed; where the file system cannot
//   exchange, a plain rename stands in.

#include "IniFileDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A failed system call on the store, of the kind the user is told.
StoreProblem systemProblem(const QString& what, const QString& path, int error,
                           StoreProblem::Kind otherwise = StoreProblem::Kind::Other)
{
    using Kind = StoreProblem::Kind;
    const Kind kind = error == ENOSPC || error == EDQUOT                    ? Kind::DiskFull
                      : error == EROFS || error == EACCES || error == EPERM ? Kind::ReadOnly
                                                                            : otherwise;
    return {kind, QStringLiteral("cannot %1 %2: %3").arg(what, path, systemError(error))};
}

// What tells one version of a file from another without reading it.
struct Identity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static Identity of(const struct stat& info)
    {
        return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    }
    bool sameFile(const Identity& other) const { return device == other.device && inode == other.inode; }
    bool operator==(const Identity& other) const
    {
        return sameFile(other) && size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

std::optional<Identity> identityOfPath(const QByteArray& path)
{
    struct stat info
    {};
    if (::stat(path.constData(), &info) != 0)
        return std::nullopt;
    return Identity::of(info);
}

std::optional<Identity> identityOf(int fd)
{
    struct stat info
    {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return Identity::of(info);
}

// The whole file through fd, from its start, whatever was read before.
bool readWhole(int fd, QByteArray* bytes, int* error)
{
    bytes->clear();
    struct stat info
    {};
    if (::fstat(fd, &info) == 0)
        bytes->reserve(qsizetype(info.st_size));
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = errno;
            return false;
        }
        if (got == 0)
            return true;
        bytes->append(buffer, qsizetype(got));
        offset += got;
    }
}

// Holds a read lease on fd for as long as it lives, when the system grants
// one. A writer opening the file meanwhile breaks it: its open waits until
// we let go (right after our read), and the break is announced by a signal,
// which is SIGURG here, whose default is to be ignored, rather than SIGIO,
// whose default would end the program.
class ReadLease
{
public:
    explicit ReadLease(int fd) : fd_(fd)
    {
        if (::fcntl(fd_, F_SETSIG, SIGURG) != 0) {
            state_ = Writers::Unknown;
            return;
        }
        if (::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0) {
            state_ = Writers::None;
            held_ = true;
        } else {
            // EAGAIN: open for writing somewhere. EACCES, EPERM: not ours to
            // lease. EINVAL: no leases on this file system.
            state_ = errno == EAGAIN ? Writers::Present : Writers::Unknown;
        }
    }
    ~ReadLease()
    {
        if (held_)
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
    }
    ReadLease(const ReadLease&) = delete;
    ReadLease& operator=(const ReadLease&) = delete;

    // Whether a writer was there when the lease was asked for, or opened
    // the file since.
    Writers writers() const
    {
        if (held_ && ::fcntl(fd_, F_GETLEASE) != F_RDLCK)
            return Writers::Present;
        return state_;
    }

private:
    int fd_;
    Writers state_ = Writers::Unknown;
    bool held_ = false;
};

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

class PosixIniFile final : public IniFileDevice
{
public:
    explicit PosixIniFile(const QString& path) : path_(path), name_(QFile::encodeName(path)) {}
    ~PosixIniFile() override { close(); }
    PosixIniFile(const PosixIniFile&) = delete;
    PosixIniFile& operator=(const PosixIniFile&) = delete;

    bool open(StoreProblem* problem) override
    {
        close();
        // Non-blocking, so that a pipe at the path cannot hold the program up.
        const int fd = ::open(name_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            struct stat info
            {};
            if (error == ENOENT && ::lstat(name_.constData(), &info) != 0)
                return true;
            *problem = systemProblem(QStringLiteral("read"), path_, error, StoreProblem::Kind::Unreadable);
            return false;
        }
        return keep(fd, problem);
    }

    QString path() const override { return path_; }
    bool exists() const override { return fd_ >= 0; }
    unsigned mode() const override { return mode_; }

    bool isReadOnly() const override
    {
        return fd_ >= 0 && ((mode_ & S_IWUSR) == 0 || ::access(name_.constData(), W_OK) != 0);
    }

    // Only regular files of this user named by our pattern: the store's
    // name, ".unfinished-" and six characters.
    void removeLeftovers() override
    {
        const QFileInfo store(path_);
        const QString prefix = store.fileName() + QStringLiteral(".unfinished-");
        const QDir folder(store.absolutePath());
        const QString pattern = prefix + QStringLiteral("??????");
        for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
            if (!name.startsWith(prefix) || name.size() != pattern.size())
                continue; // a name the pattern matched only through a wildcard in the store's own name
            const QByteArray file = QFile::encodeName(folder.filePath(name));
            struct stat info
            {};
            if (::lstat(file.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
                ::unlink(file.constData());
        }
    }

    bool read(QByteArray* bytes, Writers* writers, StoreProblem* problem) override
    {
        bytes->clear();
        *writers = Writers::None;
        if (fd_ < 0)
            return true;
        // Looked at before the lease is taken: a write the lease sees the
        // start of cannot slip between the two unnoticed.
        readAt_ = identityOf(fd_);
        const ReadLease lease(fd_);
        int error = 0;
        if (!readWhole(fd_, bytes, &error)) {
            *problem = systemProblem(QStringLiteral("read"), path_, error, StoreProblem::Kind::Unreadable);
            return false;
        }
        *writers = lease.writers();
        return true;
    }

    bool pathShowsKept() const override
    {
        if (fd_ < 0)
            return !identityOfPath(name_);
        const std::optional<Identity> now = identityOfPath(name_);
        return now && readAt_ && *now == *readAt_ && identityOf(fd_) == readAt_;
    }

    Replaced replace(const QByteArray& bytes, unsigned mode, const std::function<bool()>& isCurrent,
                     StoreProblem* problem) override
    {
        QByteArray temporary = name_ + ".unfinished-XXXXXX";
        const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) {
            *problem = systemProblem(QStringLiteral("create a file beside"), path_, errno);
            return Replaced::Failed;
        }
        const auto fail = [&](int error) {
            ::unlink(temporary.constData());
            ::close(fd);
            *problem = systemProblem(QStringLiteral("write"), path_, error);
            return Replaced::Failed;
        };
        if (!writeAll(fd, bytes) || ::fchmod(fd, mode_t(mode)) != 0 || ::fsync(fd) != 0)
            return fail(errno ? errno : EIO);
        if (!isCurrent()) {
            ::unlink(temporary.constData());
            ::close(fd);
            return Replaced::Outdated;
        }
        bool exchanged = false;
        if (fd_ >= 0) {
            exchanged = ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name_.constData(),
                                    RENAME_EXCHANGE) == 0;
        }
        if (!exchanged && ::rename(temporary.constData(), name_.constData()) != 0)
            return fail(errno);
        ours_ = identityOf(fd);
        ::close(fd);
        Replaced replaced = Replaced::Done;
        if (exchanged) {
            // The temporary name now holds the file ours took the place of.
            struct stat displaced
            {};
            if (::lstat(temporary.constData(), &displaced) == 0 && readAt_ &&
                !Identity::of(displaced).sameFile(*readAt_)) {
                const int other = ::open(temporary.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                StoreProblem ignored;
                if (other >= 0 && keep(other, &ignored))
                    replaced = Replaced::Displaced;
            }
            ::unlink(temporary.constData());
        }
        syncFolder();
        return replaced;
    }

    bool pathShowsOurs() const override
    {
        const std::optional<Identity> now = identityOfPath(name_);
        return now && ours_ && *now == *ours_;
    }

private:
    bool keep(int fd, StoreProblem* problem)
    {
        close();
        struct stat info
        {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            *problem = {StoreProblem::Kind::Unreadable,
                        QStringLiteral("%1 is not a regular file").arg(path_)};
            return false;
        }
        fd_ = fd;
        mode_ = unsigned(info.st_mode & 07777);
        readAt_ = Identity::of(info);
        return true;
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        mode_ = 0;
        readAt_.reset();
    }

    // The rename itself reaches the disk with the folder.
    void syncFolder() const
    {
        const int folder = ::open(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

    QString path_;
    QByteArray name_;
    int fd_ = -1;
    unsigned mode_ = 0;
    std::optional<Identity> readAt_;
    std::optional<Identity> ours_;
};

} // namespace

std::unique_ptr<IniFileDevice> makeIniFileDevice(const QString& path)
{
    return std::make_unique<PosixIniFile>(path);
}

} // namespace settings
