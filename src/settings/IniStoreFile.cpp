// The store on Linux: $XDG_CONFIG_HOME/wispane.ini in the dialect of
// IniDocument, read whole and replaced whole.
//
// Another program (the mail checker, an editor) may write the file between
// two of our actions, so each commit takes a lock beside the file, reads the
// file as it is then and applies only this action's changes. The new text
// goes to a temporary file in the same folder, reaches the disk, and replaces
// the old one by rename, so that a crash leaves either file whole. The file
// holds passwords: it is created owner-only and kept so.

#include "IniDocument.h"
#include "StoreBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

// A writer that died holding the lock is noticed at once by its process id;
// a lock left by another machine counts as stale after this long.
constexpr int kStaleLockMs = 30'000;
constexpr int kLockWaitMs = 3'000;
constexpr int kMaxLinks = 40;
constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file the store path names, symbolic links followed: a store kept
// elsewhere through a link is replaced where it is, and the link stays.
std::optional<QString> followLinks(const QString& path, QString* reason)
{
    QString current = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    *reason = QStringLiteral("cannot follow the symbolic links of %1").arg(path);
    return std::nullopt;
}

struct FileContents
{
    bool exists = false;
    mode_t mode = 0;
    QByteArray bytes;
};

// Only a regular file, or none, is a store; anything else is left alone.
bool readStoreFile(const QString& path, FileContents* contents, QString* reason)
{
    *contents = FileContents{};
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a pipe at the path cannot hold the program up.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat info
        {};
        if (error == ENOENT && ::lstat(name.constData(), &info) != 0)
            return true;
        *reason = QStringLiteral("cannot read %1: %2").arg(path, systemError(error));
        return false;
    }
    struct stat info
    {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *reason = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    contents->exists = true;
    contents->mode = info.st_mode;
    contents->bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *reason = QStringLiteral("cannot read %1: %2").arg(path, systemError(errno));
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        contents->bytes.append(buffer, qsizetype(got));
    }
    ::close(fd);
    return true;
}

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

// Temporary file beside the target, on the disk, then renamed over it.
bool replaceFile(const QString& path, const QByteArray& bytes, mode_t mode, QString* reason)
{
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *reason = QStringLiteral("cannot create a file beside %1: %2").arg(path, systemError(errno));
        return false;
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        *reason = QStringLiteral("cannot write %1: %2").arg(path, systemError(written ? renameError : error));
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

QString lockFailure(const QLockFile& lock, const QString& lockPath)
{
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return QStringLiteral("%1 is held by another program, or is not a lock file").arg(lockPath);
    case QLockFile::PermissionError:
        return QStringLiteral("cannot create the lock file %1").arg(lockPath);
    default:
        return QStringLiteral("cannot take the lock %1").arg(lockPath);
    }
}

class IniStoreFile final : public StoreBackend
{
public:
    explicit IniStoreFile(QString path) : path_(std::move(path)) {}

    QString location() const override { return path_; }
    QString storeFile() const override
    {
        QString why;
        return followLinks(path_, &why).value_or(path_);
    }

    bool reload(QString* reason) override
    {
        document_ = IniDocument();
        text_.clear();
        const std::optional<QString> target = followLinks(path_, reason);
        FileContents contents;
        if (!target || !readStoreFile(*target, &contents, reason))
            return false;
        document_ = IniDocument(contents.bytes);
        text_ = contents.bytes;
        return true;
    }

    std::optional<QString> value(const QString& key) const override { return document_.value(key); }

    QStringList keys() const override { return document_.keys(); }

    bool commit(const std::vector<StoreChange>& changes, QString* reason) override
    {
        const std::optional<QString> target = followLinks(path_, reason);
        if (!target)
            return false;
        const QString folder = QFileInfo(*target).absolutePath();
        if (!QDir().mkpath(folder)) {
            *reason = QStringLiteral("cannot create the folder %1").arg(folder);
            return false;
        }
        // Checked before the lock too, so that nothing is created beside
        // something that is not a store.
        struct stat info
        {};
        if (::stat(QFile::encodeName(*target).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            *reason = QStringLiteral("%1 is not a regular file").arg(*target);
            return false;
        }

        const QString lockPath = *target + QStringLiteral(".lock");
        QLockFile lock(lockPath);
        lock.setStaleLockTime(kStaleLockMs);
        if (!lock.tryLock(kLockWaitMs)) {
            *reason = lockFailure(lock, lockPath);
            return false;
        }
        FileContents contents;
        if (!readStoreFile(*target, &contents, reason))
            return false;
        // Usually the file is still what this program read or wrote last, and
        // the document in memory is that file: the changes go straight into
        // it. After another program's write the file is read afresh.
        if (contents.bytes != text_) {
            document_ = IniDocument(contents.bytes);
            text_ = contents.bytes;
        }
        for (const StoreChange& change : changes) {
            if (change.text)
                document_.set(change.key, *change.text);
            else
                document_.remove(change.key);
        }
        const QByteArray bytes = document_.toBytes();
        const mode_t mode = contents.exists ? contents.mode & S_IRWXU : kOwnerOnly;
        const bool unchanged = contents.exists && bytes == contents.bytes && (contents.mode & 07777) == mode;
        if (!unchanged && !replaceFile(*target, bytes, mode, reason)) {
            document_ = IniDocument(text_); // the refused changes are taken back
            return false;
        }
        text_ = bytes;
        return true;
    }

private:
    QString path_;
    IniDocument document_;
    // The text document_ stands for: the file as last read or written.
    QByteArray text_;
};

} // namespace

std::unique_ptr<StoreBackend> makeIniStoreBackend()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<IniStoreFile>(folder + QStringLiteral("/wispane.ini"));
}

} // namespace settings
