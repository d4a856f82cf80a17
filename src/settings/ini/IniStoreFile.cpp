// The store on Linux: $XDG_CONFIG_HOME/wispane.ini in the dialect of
// IniDocument, read whole and replaced whole.
//
// Another program (the mail checker, an editor) may write the file between
// two of our actions, so each commit takes a lock beside the file, reads the
// file as it is then and applies only this action's changes. The new text
// goes to a temporary file in the same folder, reaches the disk, and replaces
// the old one by rename, so that a crash leaves either file whole. The file
// holds passwords: it is created owner-only and kept so.

#include "IniStoreFile.h"
#include "IniDocument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

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
// A plain writer truncates the file, then writes it: a file that holds less
// than it did is read again this often, for at most this long (far longer
// than such a writer takes between the two).
constexpr int kUnfinishedPollMs = 10;
constexpr int kUnfinishedWaitMs = 2'000;
// While another writer is at work, its read may have come before our replace
// and its write come after: the file is looked at again this long after.
constexpr int kWatchAfterReplaceMs = 5;
constexpr int kMaxRounds = 10;
// A write taken in during our own is waited for this long at most.
constexpr int kLateWriteWaitMs = 300;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file the store path names, symbolic links followed: a store kept
// elsewhere through a link is replaced where it is, and the link stays.
std::optional<QString> followLinks(const QString& path, StoreProblem* problem)
{
    QString current = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    *problem = {StoreProblem::Kind::Unreadable,
                QStringLiteral("cannot follow the symbolic links of %1").arg(path)};
    return std::nullopt;
}

// A failed system call on the store, of the kind the user is told.
StoreProblem systemErrorOf(const QString& what, const QString& path, int error, StoreProblem::Kind otherwise)
{
    using Kind = StoreProblem::Kind;
    const Kind kind = error == ENOSPC || error == EDQUOT                    ? Kind::DiskFull
                      : error == EROFS || error == EACCES || error == EPERM ? Kind::ReadOnly
                                                                            : otherwise;
    return {kind, QStringLiteral("cannot %1 %2: %3").arg(what, path, systemError(error))};
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

// The store file as an action found it, kept open after reading: a plain
// writer that opened the file before our replace goes on writing into it,
// where only this descriptor still sees that write.
class KeptFile
{
public:
    KeptFile() = default;
    ~KeptFile() { close(); }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;
    KeptFile(KeptFile&& other) noexcept { *this = std::move(other); }
    KeptFile& operator=(KeptFile&& other) noexcept
    {
        if (this != &other) {
            close();
            fd_ = std::exchange(other.fd_, -1);
            mode_ = other.mode_;
            bytes_ = std::move(other.bytes_);
        }
        return *this;
    }

    // Opens and reads path; none is an empty store. Only a regular file is a
    // store: anything else is reported and left alone.
    bool open(const QString& path, StoreProblem* problem)
    {
        close();
        bytes_.clear();
        const QByteArray name = QFile::encodeName(path);
        // Non-blocking, so that a pipe at the path cannot hold the program up.
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            struct stat info
            {};
            if (error == ENOENT && ::lstat(name.constData(), &info) != 0)
                return true;
            *problem = systemErrorOf(QStringLiteral("read"), path, error, StoreProblem::Kind::Unreadable);
            return false;
        }
        struct stat info
        {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            *problem = {StoreProblem::Kind::Unreadable, QStringLiteral("%1 is not a regular file").arg(path)};
            return false;
        }
        fd_ = fd;
        mode_ = info.st_mode;
        int error = 0;
        if (!readWhole(fd_, &bytes_, &error)) {
            close();
            *problem = systemErrorOf(QStringLiteral("read"), path, error, StoreProblem::Kind::Unreadable);
            return false;
        }
        return true;
    }

    // The file as it is now, read again through the kept descriptor.
    bool readAgain(QByteArray* bytes, const QString& path, StoreProblem* problem) const
    {
        if (fd_ < 0) {
            bytes->clear();
            return true;
        }
        int error = 0;
        if (readWhole(fd_, bytes, &error))
            return true;
        *problem = systemErrorOf(QStringLiteral("read"), path, error, StoreProblem::Kind::Unreadable);
        return false;
    }

    bool exists() const { return fd_ >= 0; }
    mode_t mode() const { return mode_; }
    const QByteArray& bytes() const { return bytes_; }
    void setBytes(QByteArray bytes) { bytes_ = std::move(bytes); }

private:
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        mode_ = 0;
    }

    int fd_ = -1;
    mode_t mode_ = 0;
    QByteArray bytes_;
};

// What a file must hold at least when nobody is in the middle of writing it:
// what it held when we last saw it whole, less the keys the action removes.
class ExpectedContents
{
public:
    // The keys are listed only when a file is compared, which the usual
    // action, finding the file as it left it, never needs.
    ExpectedContents(const QByteArray& text, const std::vector<StoreChange>& changes) : text_(text)
    {
        for (const StoreChange& change : changes) {
            if (!change.text)
                removed_.insert(change.key);
        }
    }

    void reset(const QByteArray& text)
    {
        text_ = text;
        keys_.reset();
    }

    // What the bytes alone tell: nothing is missing (nothing was known, or
    // they are what was known), or they are cut short (empty where something
    // was, or without the final line break); nullopt when only the keys tell.
    std::optional<bool> plainlyCutOrWhole(const QByteArray& bytes) const
    {
        if (text_.isEmpty() || bytes == text_)
            return false;
        if (bytes.isEmpty() || (text_.endsWith('\n') && !bytes.endsWith('\n')))
            return true;
        return std::nullopt;
    }

    // Whether bytes hold less: empty where something was, without the final
    // line break, or without a key (the [setting] section with its keys). A
    // plain writer leaves such a file between truncating it and finishing.
    bool looksUnfinished(const QByteArray& bytes) const
    {
        if (const std::optional<bool> plain = plainlyCutOrWhole(bytes))
            return *plain;
        const IniDocument now(bytes);
        const QStringList& keys = this->keys();
        return std::any_of(keys.cbegin(), keys.cend(),
                           [&](const QString& key) { return !now.contains(key) && !removed_.contains(key); });
    }

    // Whether bytes are plainly cut short: empty where something was, without
    // the final line break, or without any key it held ([setting] lost).
    bool looksCut(const QByteArray& bytes) const
    {
        if (const std::optional<bool> plain = plainlyCutOrWhole(bytes))
            return *plain;
        const IniDocument now(bytes);
        const QStringList& keys = this->keys();
        return !keys.isEmpty() && std::none_of(keys.cbegin(), keys.cend(),
                                               [&](const QString& key) { return now.contains(key); });
    }

    // Another program's write taken in: waited for, bounded, while it is cut
    // short, then given back every key of the file before it that it lost. A writer that read the file before
    // one of our writes and wrote it back later lost that write's keys; the mail checker removes none. *bytes
    // is left as last read.
    template <typename Read> QByteArray completed(QByteArray* bytes, const Read& read) const
    {
        StoreProblem problem;
        QElapsedTimer waited;
        waited.start();
        while (looksCut(*bytes) && waited.elapsed() < kLateWriteWaitMs) {
            QThread::msleep(kUnfinishedPollMs);
            if (!read(bytes, &problem))
                break;
        }
        if (!looksUnfinished(*bytes))
            return *bytes;
        IniDocument now(*bytes);
        const IniDocument before(text_);
        for (const QString& key : keys()) {
            if (!now.contains(key) && !removed_.contains(key))
                now.set(key, before.value(key).value_or(QString()));
        }
        return now.toBytes();
    }

private:
    const QStringList& keys() const
    {
        if (!keys_)
            keys_ = IniDocument(text_).keys();
        return *keys_;
    }

    QByteArray text_;
    mutable std::optional<QStringList> keys_;
    QSet<QString> removed_;
};

// Reads again, through read, while the file is plainly cut short; false with
// the problem when it still is after the bounded wait.
template <typename Read>
bool waitUntilFinished(QByteArray* bytes, const ExpectedContents& expected, const QString& path, Read read,
                       StoreProblem* problem)
{
    QElapsedTimer waited;
    waited.start();
    while (expected.looksCut(*bytes)) {
        if (waited.elapsed() >= kUnfinishedWaitMs) {
            *problem = {
                StoreProblem::Kind::CutShort,
                QStringLiteral("%1 holds less than it did (empty or cut short): another program seems "
                               "to be in the middle of writing it, so it is not replaced")
                    .arg(path)};
            return false;
        }
        QThread::msleep(kUnfinishedPollMs);
        if (!read(bytes, problem))
            return false;
    }
    return true;
}

// Whether the file text holds every change of the action.
bool holdsChanges(const QByteArray& text, const std::vector<StoreChange>& changes)
{
    const IniDocument document(text);
    return std::all_of(changes.cbegin(), changes.cend(), [&](const StoreChange& change) {
        return change.text ? document.value(change.key) == change.text : !document.contains(change.key);
    });
}

// Without write permission for its owner the store is read-only, for root
// too, as editors treat such a file: the replace is refused, not forced.
bool isReadOnly(const QString& path, mode_t mode)
{
    return (mode & S_IWUSR) == 0 || ::access(QFile::encodeName(path).constData(), W_OK) != 0;
}

// Our temporary files beside path: the store's name, this, and six characters.
QByteArray temporaryPrefix(const QString& path)
{
    return QFile::encodeName(path) + ".unfinished-";
}

// Removes the temporary files an interrupted write of ours left beside path.
// Called with the store lock held: no write of ours is under way, so each
// one found is stale. Only regular files of this user, named by our pattern.
void removeUnfinishedCopies(const QString& path)
{
    const QFileInfo store(path);
    const QString pattern = QFile::decodeName(temporaryPrefix(store.fileName())) + QStringLiteral("??????");
    const QDir folder(store.absolutePath());
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(pattern.chopped(6)) || name.size() != pattern.size())
            continue; // a name the pattern matched only through a wildcard in the store's own name
        const QByteArray file = QFile::encodeName(folder.filePath(name));
        struct stat info
        {};
        if (::lstat(file.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(file.constData());
    }
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

enum class Replaced { Done, Failed, Outdated };

// Temporary file beside the target, on the disk, then renamed over it, unless
// isCurrent, asked right before the rename, says the text is out of date.
template <typename IsCurrent>
Replaced replaceFile(const QString& path, const QByteArray& bytes, mode_t mode, IsCurrent isCurrent,
                     StoreProblem* problem)
{
    QByteArray temporary = temporaryPrefix(path) + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *problem =
            systemErrorOf(QStringLiteral("create a file beside"), path, errno, StoreProblem::Kind::Other);
        return Replaced::Failed;
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (written && closed && !isCurrent()) {
        ::unlink(temporary.constData());
        return Replaced::Outdated;
    }
    if (!written || !closed || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        *problem = systemErrorOf(QStringLiteral("write"), path, written ? renameError : error,
                                 StoreProblem::Kind::Other);
        return Replaced::Failed;
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return Replaced::Done;
}

StoreProblem lockFailure(const QLockFile& lock, const QString& lockPath)
{
    using Kind = StoreProblem::Kind;
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        return {Kind::HeldByOther,
                QStringLiteral("%1 is held by another program, or is not a lock file").arg(lockPath)};
    case QLockFile::PermissionError:
        return {Kind::ReadOnly, QStringLiteral("cannot create the lock file %1").arg(lockPath)};
    default:
        return {Kind::Other, QStringLiteral("cannot take the lock %1").arg(lockPath)};
    }
}

class IniStoreFile final : public StoreBackend
{
public:
    explicit IniStoreFile(QString path) : path_(std::move(path)) {}

    QString location() const override { return path_; }
    QString storeFile() const override
    {
        StoreProblem problem;
        const QFileInfo file(followLinks(path_, &problem).value_or(path_));
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        if (folder.isEmpty())
            return QDir::cleanPath(file.absoluteFilePath());
        return folder + u'/' + file.fileName();
    }

    bool reload(StoreProblem* problem) override
    {
        document_ = IniDocument();
        text_.clear();
        const std::optional<QString> target = followLinks(path_, problem);
        KeptFile file;
        if (!target || !file.open(*target, problem))
            return false;
        document_ = IniDocument(file.bytes());
        text_ = file.bytes();
        return true;
    }

    std::optional<QString> value(const QString& key) const override { return document_.value(key); }

    QStringList keys() const override { return document_.keys(); }

    bool acceptsKey(QStringView key) const override { return IniDocument::isWritableKey(key); }

    bool commit(const std::vector<StoreChange>& changes, StoreProblem* problem) override
    {
        const std::optional<QString> target = followLinks(path_, problem);
        if (!target)
            return false;
        const QString folder = QFileInfo(*target).absolutePath();
        if (!QDir().mkpath(folder)) {
            *problem = {StoreProblem::Kind::ReadOnly,
                        QStringLiteral("cannot create the folder %1").arg(folder)};
            return false;
        }
        // Checked before the lock too, so that nothing is created beside
        // something that is not a store.
        struct stat info
        {};
        if (::stat(QFile::encodeName(*target).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            *problem = {StoreProblem::Kind::Other, QStringLiteral("%1 is not a regular file").arg(*target)};
            return false;
        }

        const QString lockPath = *target + QStringLiteral(".lock");
        QLockFile lock(lockPath);
        lock.setStaleLockTime(kStaleLockMs);
        if (!lock.tryLock(kLockWaitMs)) {
            *problem = lockFailure(lock, lockPath);
            return false;
        }
        removeUnfinishedCopies(*target);
        return commitLocked(*target, changes, problem);
    }

private:
    // The file is read, the changes applied and the result put in its place.
    // A write another program makes meanwhile is taken in and the changes are
    // applied again on top of it, a few rounds at most: one that lands in the
    // file we read before our rename (seen right before it), or after it (it
    // had the file open: seen through the kept descriptor), or that
    // overwrites our replacement with what it read before (seen a moment
    // later, while another writer is at work).
    bool commitLocked(const QString& target, const std::vector<StoreChange>& changes, StoreProblem* problem)
    {
        const auto reopen = [&target](KeptFile* file) {
            return [&target, file](QByteArray* bytes, StoreProblem* why) {
                if (!file->open(target, why))
                    return false;
                *bytes = file->bytes();
                return true;
            };
        };
        KeptFile kept;
        if (!kept.open(target, problem))
            return false;
        QByteArray base = kept.bytes();
        ExpectedContents expected(text_, changes);
        // Another writer is at work when the file is not what we last saw.
        bool contended = base != text_;
        if (contended) {
            if (!waitUntilFinished(&base, expected, target, reopen(&kept), problem))
                return false;
            base = expected.completed(&base, reopen(&kept));
        }
        if (kept.exists() && isReadOnly(target, kept.mode())) {
            *problem = {StoreProblem::Kind::ReadOnly,
                        QStringLiteral("%1 is read-only (mode %2): it is not replaced")
                            .arg(target, QString::number(kept.mode() & 07777, 8).rightJustified(4, u'0'))};
            return false;
        }
        const mode_t mode = kept.exists() ? kept.mode() & S_IRWXU : kOwnerOnly;
        // The text to apply the changes to next; *bytes is left as last read.
        const auto takeIn = [&](const QByteArray& before, QByteArray* bytes, const auto& read) {
            expected.reset(before);
            contended = true;
            return expected.completed(bytes, read);
        };

        for (int round = 1;; ++round) {
            if (base != text_) {
                document_ = IniDocument(base);
                text_ = base;
            }
            for (const StoreChange& change : changes) {
                if (change.text)
                    document_.set(change.key, *change.text);
                else
                    document_.remove(change.key);
            }
            const QByteArray bytes = document_.toBytes();
            if (kept.exists() && bytes == kept.bytes() && (kept.mode() & 07777) == mode) {
                text_ = bytes;
                return true;
            }
            const auto readKept = [&kept, &target](QByteArray* now, StoreProblem* why) {
                return kept.readAgain(now, target, why);
            };
            QByteArray late;
            const auto isCurrent = [&] { return !readKept(&late, problem) || late == kept.bytes(); };
            const Replaced replaced = replaceFile(target, bytes, mode, isCurrent, problem);
            if (replaced == Replaced::Failed || (replaced == Replaced::Outdated && round == kMaxRounds)) {
                if (replaced == Replaced::Outdated)
                    *problem = keepsWriting(target);
                document_ = IniDocument(text_ = base); // the file as last seen, lost keys given back
                return false;
            }
            if (replaced == Replaced::Outdated) {
                base = takeIn(text_, &late, readKept);
                kept.setBytes(late);
                continue;
            }
            text_ = bytes;

            // A writer seen at work may be between its read and its write.
            if (contended)
                QThread::msleep(kWatchAfterReplaceMs);
            if (!readKept(&late, problem))
                return true; // ours is in place; the old file is gone from view
            KeptFile now;
            QByteArray current;
            if (contended && !reopen(&now)(&current, problem))
                return true;
            const bool overwritten = contended && current != bytes && !holdsChanges(current, changes);
            if (late == kept.bytes() && !overwritten)
                return true;
            if (round == kMaxRounds) {
                *problem = keepsWriting(target);
                return false;
            }
            if (overwritten) {
                base = takeIn(text_, &current, reopen(&now));
                kept = std::move(now);
            } else {
                base = takeIn(text_, &late, readKept);
                if (!kept.open(target, problem))
                    return false;
            }
        }
    }

    static StoreProblem keepsWriting(const QString& target)
    {
        return {
            StoreProblem::Kind::BeingWritten,
            QStringLiteral("another program keeps writing %1 at the same time; this program's changes may "
                           "not be in it")
                .arg(target)};
    }

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
