// The store on Linux: $XDG_CONFIG_HOME/wispane.ini in the dialect of
// IniDocument, read whole and replaced whole.
//
// Another program (the mail checker, an editor) may write the file at any
// time, so every read and every action passes one door, IniStorePolicy: a
// file being written is waited for, an action takes the lock beside the
// file, reads the file as it is then and applies only its own changes. The
// new text goes to a temporary file in the same folder, reaches the disk,
// and replaces the old one in one step, so that a crash leaves either file
// whole. The file holds passwords: it is created owner-only and kept so.

#include "IniStoreFile.h"
#include "IniDocument.h"
#include "IniFileDevice.h"
#include "IniStorePolicy.h"
#include "StoreClock.h"
#include "StoreLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

#include <sys/stat.h>

namespace settings {

namespace {

constexpr int kMaxLinks = 40;

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

class IniStoreFile final : public StoreBackend
{
public:
    explicit IniStoreFile(QString path) : path_(std::move(path)) {}

    QString location() const override { return path_; }
    QString storeFile() const override
    {
        StoreProblem ignored;
        const QFileInfo file(followLinks(path_, &ignored).value_or(path_));
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        if (folder.isEmpty())
            return QDir::cleanPath(file.absoluteFilePath());
        return folder + u'/' + file.fileName();
    }

    // The window opens on defaults when the file cannot be taken.
    bool reload(StoreProblem* problem) override
    {
        if (read(QByteArray(), problem))
            return true;
        take(QByteArray());
        return false;
    }
    bool refresh(StoreProblem* problem) override { return read(text_, problem); }

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
        // Checked before the lock, so that nothing is created beside
        // something that is not a store.
        struct stat info
        {};
        if (::stat(QFile::encodeName(*target).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            *problem = {StoreProblem::Kind::Other, QStringLiteral("%1 is not a regular file").arg(*target)};
            return false;
        }
        const std::unique_ptr<IniFileDevice> device = makeIniFileDevice(*target);
        const std::unique_ptr<StoreLock> lock = makeLockBeside(*target);
        IniStorePolicy policy(*device, *lock, systemStoreClock());
        QByteArray stored;
        const CommitAnswer answer = policy.commit(text_, &document_, changes, &stored, problem);
        // The values follow the disk whatever the answer (the document
        // already does), so that what the windows show after a refusal is
        // what is stored.
        text_ = std::move(stored);
        return answer == CommitAnswer::Saved;
    }

private:
    // known: what the file held when last seen whole, "" for none.
    bool read(const QByteArray& known, StoreProblem* problem)
    {
        const std::optional<QString> target = followLinks(path_, problem);
        if (!target)
            return false;
        const std::unique_ptr<IniFileDevice> device = makeIniFileDevice(*target);
        const std::unique_ptr<StoreLock> lock = makeLockBeside(*target);
        IniStorePolicy policy(*device, *lock, systemStoreClock());
        QByteArray bytes;
        if (!policy.read(known, &bytes, problem))
            return false;
        take(std::move(bytes));
        return true;
    }

    void take(QByteArray bytes)
    {
        if (bytes == text_)
            return;
        document_ = IniDocument(bytes);
        text_ = std::move(bytes);
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
