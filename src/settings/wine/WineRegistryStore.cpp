#include "WineRegistryStore.h"

#include "AnsiText.h"
#include "RegistryHelper.h"
#include "StoreKeyMap.h"
#include "WinePrefix.h"
#include "WineRegistryText.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace settings {

namespace {

// A wineserver that this program started lingers about three seconds after
// the last Wine process and saves user.reg as it ends; after the last action
// the store waits this long at most to see that save.
constexpr int kSaveWaitMs = 10'000;

QString fullKeyName()
{
    return QStringLiteral("HKEY_CURRENT_USER\\") + kMailCheckerKey;
}

class WineRegistryStore final : public StoreBackend
{
public:
    WineRegistryStore(QString prefix, bool mayUpdatePrefix)
        : prefix_(std::move(prefix)), helper_(prefix_), mayUpdatePrefix_(mayUpdatePrefix)
    {
    }

    QString location() const override
    {
        return fullKeyName() + QStringLiteral(" (WINEPREFIX=") + prefix_ + u')';
    }

    QString storeFile() const override
    {
        const QString userReg = UserRegOf(prefix_);
        const QString canonical = QFileInfo(userReg).canonicalFilePath();
        return canonical.isEmpty() ? userReg : canonical;
    }

    bool reload(StoreProblem* problem) override
    {
        if (!prefixIsThere(problem) || !helperIsThere(problem))
            return false;
        if (ProbeWineServer(prefix_) == WineServerState::Stopped) {
            RegistryKeyTexts read;
            if (!readUserReg(&read, problem))
                return false;
            if (!read.unknownForm) {
                take(std::move(read.texts));
                keyFound_ = read.keyFound;
                return true;
            }
            // A form of user.reg this reader cannot vouch for: Wine reads it.
        }
        return callHelper({}, problem);
    }

    bool storeFound() const override { return keyFound_; }

    std::optional<QString> value(const QString& key) const override
    {
        const auto it = index_.find(FoldedValueName(key));
        if (it == index_.cend())
            return std::nullopt;
        return texts_[it->second].second;
    }

    QStringList keys() const override
    {
        QStringList names;
        names.reserve(qsizetype(texts_.size()));
        for (const auto& [name, text] : texts_)
            names.append(name);
        return names;
    }

    bool commit(const std::vector<StoreChange>& changes, StoreProblem* problem) override
    {
        if (!prefixIsThere(problem) || !roomToSave(problem))
            return false;
        return callHelper(changes, problem);
    }

    bool settle(StoreProblem* problem) override
    {
        if (!startedServer_)
            return true;
        startedServer_ = false;
        giveUp_.store(false);
        helper_.stop(); // a kept helper would keep the server from ending
        const QDeadlineTimer deadline(kSaveWaitMs);
        while (ProbeWineServer(prefix_) == WineServerState::Running && !deadline.hasExpired()) {
            if (giveUp_.load()) {
                *problem = {StoreProblem::Kind::Abandoned,
                            QStringLiteral("the wait for Wine to save the registry of the Wine prefix %1 was given "
                                           "up: what was written may not reach %2")
                                .arg(prefix_, UserRegOf(prefix_))};
                return false;
            }
            QThread::msleep(20);
        }
        // A Wine program started meanwhile keeps the server and the values
        // in its memory until Wine saves them itself.
        if (ProbeWineServer(prefix_) != WineServerState::Stopped)
            return true;
        RegistryKeyTexts saved;
        if (!readUserReg(&saved, problem))
            return false;
        StoreKeyMap<QString> onDisk;
        for (auto& [name, text] : saved.texts)
            onDisk.emplace(FoldedValueName(name), std::move(text));
        bool same = onDisk.size() == texts_.size();
        for (const auto& [name, text] : texts_) {
            const auto it = onDisk.find(FoldedValueName(name));
            same = same && it != onDisk.cend() && it->second == text;
        }
        if (!same) {
            *problem = {
                StoreProblem::Kind::WineFailed,
                QStringLiteral("Wine did not save the registry of the Wine prefix %1 to %2 (is the disk "
                               "full, or user.reg unchangeable?): what was written is lost")
                    .arg(prefix_, UserRegOf(prefix_))};
            return false;
        }
        return true;
    }

    void abortPendingCall() override
    {
        giveUp_.store(true);
        helper_.abortPendingCall();
    }
    // Every call may start Wine, or wait for it.
    bool runsOtherPrograms() const override { return true; }

    // The mail checker under Wine asks Wine, which answers C:\windows of the prefix.
    QString windowsDirectory() const override { return QStringLiteral("C:\\windows"); }
    QString toLocalPath(const QString& storedPath) const override
    {
        return WindowsPathToUnix(prefix_, storedPath);
    }
    QString toStoredPath(const QString& localPath) const override
    {
        return localPath.isEmpty() ? localPath : UnixPathToWindows(prefix_, localPath);
    }
    QString displayName() const override { return QStringLiteral("Wineのﾚｼﾞｽﾄﾘ"); }
    std::optional<QString> storedForm(const QString& text, QString* refused) const override
    {
        return AnsiStorableText(text, refused);
    }

private:
    bool prefixIsThere(StoreProblem* problem) const
    {
        const QStringList missing = MissingPrefixParts(prefix_);
        if (missing.isEmpty())
            return true;
        *problem = {StoreProblem::Kind::NotAPrefix,
                    QStringLiteral("%1 is not a Wine prefix (it has no %2), and Wine is not run there, "
                                   "because that would make a new prefix")
                        .arg(prefix_, missing.join(QStringLiteral(", ")))};
        return false;
    }

    // Wine updates a prefix last set up by another Wine build at its first
    // call there (several seconds, and that build may not read it any more):
    // only with the user's leave, asked before the first read.
    bool wineMayRunHere(StoreProblem* problem) const
    {
        if (mayUpdatePrefix_)
            return true;
        const PrefixUpdateCheck check = CheckPrefixUpdate(prefix_, RegistryHelper::wineProgram());
        if (!check.wouldUpdate)
            return true;
        *problem = {StoreProblem::Kind::PrefixOfAnotherWine,
                    QStringLiteral("the Wine prefix %1 was last set up by another Wine build (its "
                                   ".update-timestamp says %2, this Wine's wine.inf %3), and running this Wine "
                                   "there would update the prefix; that was not allowed")
                        .arg(prefix_)
                        .arg(check.recorded)
                        .arg(check.thisWine)};
        return false;
    }

    // Without the helper nothing could be saved; the store is named as
    // unreadable at start rather than refusing every action later.
    static bool helperIsThere(StoreProblem* problem)
    {
        if (!RegistryHelper::program().isEmpty())
            return true;
        *problem = {
            StoreProblem::Kind::WineFailed,
            QStringLiteral("the Wine store is unavailable: this build has no quorvix-registry.exe (it was "
                           "built without the MinGW cross compiler x86_64-w64-mingw32-gcc)")};
        return false;
    }

    // Wine saves the registry by writing a new user.reg beside the old one
    // and renaming it over it: that needs the folder and the file writable
    // and room for the file twice. Checked before anything is written, so a
    // save that could not reach the disk is refused rather than reported.
    bool roomToSave(StoreProblem* problem) const
    {
        const QString userReg = UserRegOf(prefix_);
        const QByteArray folder = QFile::encodeName(prefix_);
        struct stat file
        {};
        struct stat directory
        {};
        if (::stat(QFile::encodeName(userReg).constData(), &file) != 0 ||
            ::stat(folder.constData(), &directory) != 0) {
            *problem = {StoreProblem::Kind::NotAPrefix, QStringLiteral("cannot look at %1").arg(userReg)};
            return false;
        }
        for (const auto& [path, info] : {std::pair{userReg, file}, std::pair{prefix_, directory}}) {
            if (!(info.st_mode & S_IWUSR) || !QFileInfo(path).isWritable()) {
                *problem = {
                    StoreProblem::Kind::ReadOnly,
                    QStringLiteral("%1 is read-only (mode %2), so Wine could not save the registry of "
                                   "the Wine prefix %3")
                        .arg(path, QString::number(info.st_mode & 07777, 8), prefix_)};
                return false;
            }
        }
        struct statvfs disk
        {};
        if (::statvfs(folder.constData(), &disk) == 0) {
            const quint64 free = quint64(disk.f_bavail) * quint64(disk.f_frsize);
            const quint64 needed = 2 * quint64(file.st_size);
            if (free < needed) {
                *problem = {
                    StoreProblem::Kind::DiskFull,
                    QStringLiteral("the disk of the Wine prefix %1 has %2 bytes free, less than twice "
                                   "the size of user.reg (%3 bytes) that Wine needs to save it")
                        .arg(prefix_)
                        .arg(free)
                        .arg(file.st_size)};
                return false;
            }
        }
        return true;
    }

    bool readUserReg(RegistryKeyTexts* read, StoreProblem* problem) const
    {
        QFile file(UserRegOf(prefix_));
        if (!file.open(QIODevice::ReadOnly)) {
            *problem = {StoreProblem::Kind::Unreadable,
                        QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString())};
            return false;
        }
        *read = ReadUserRegKey(file.readAll(), kMailCheckerKey);
        if (!read->readable) {
            *problem = {StoreProblem::Kind::Unreadable,
                        QStringLiteral("%1 is not a Wine registry file").arg(file.fileName())};
            return false;
        }
        return true;
    }

    // One run of the helper: it reads the key, applies changes and reads
    // them back, and answers with every value the key then holds.
    bool callHelper(const std::vector<StoreChange>& changes, StoreProblem* problem)
    {
        if (!wineMayRunHere(problem))
            return false;
        const bool serverRan = ProbeWineServer(prefix_) != WineServerState::Stopped;
        HelperReply reply;
        // Beside a wineserver that runs anyway (not one a helper run of ours
        // started) the helper is kept for the next action.
        QString failure;
        if (!helper_.call(kMailCheckerKey, changes, &reply, &failure, serverRan && !startedServer_)) {
            *problem = {helper_.wasAborted() ? StoreProblem::Kind::Abandoned : StoreProblem::Kind::WineFailed,
                        failure};
            return false;
        }
        startedServer_ = startedServer_ || !serverRan;
        std::vector<std::pair<QString, QString>> texts;
        for (HelperValue& value : reply.values) {
            if (value.text)
                texts.emplace_back(std::move(value.name), std::move(*value.text));
        }
        take(std::move(texts));
        keyFound_ = reply.keyPresent;
        if (reply.ok)
            return true;
        QString refused =
            QStringLiteral("the registry of the Wine prefix %1 refused %2: %3 (Win32 error %4); ")
                .arg(prefix_, reply.failedValue.isEmpty() ? QStringLiteral("the key") : reply.failedValue,
                     reply.failure)
                .arg(reply.error);
        refused += reply.unrestored.isEmpty()
                       ? QStringLiteral("every value of the action was put back as it was")
                       : QStringLiteral("these values could not be put back: ") +
                             reply.unrestored.join(QStringLiteral(", "));
        *problem = {StoreProblem::Kind::WineFailed, refused};
        return false;
    }

    void take(std::vector<std::pair<QString, QString>> texts)
    {
        texts_ = std::move(texts);
        index_.clear();
        for (std::size_t i = 0; i < texts_.size(); ++i)
            index_.emplace(FoldedValueName(texts_[i].first), i);
    }

    QString prefix_;
    RegistryHelper helper_;
    // Whether a helper run started the prefix's wineserver, so its save is
    // ours to wait for.
    bool startedServer_ = false;
    bool mayUpdatePrefix_;
    bool keyFound_ = false;
    // Set from the waiting thread to end settle()'s wait for Wine's save.
    std::atomic<bool> giveUp_{false};
    std::vector<std::pair<QString, QString>> texts_;
    // Where each value is in texts_, by its folded name.
    StoreKeyMap<std::size_t> index_;
};

} // namespace

std::unique_ptr<StoreBackend> makeWineRegistryStore(const QString& prefix, bool mayUpdatePrefix)
{
    return std::make_unique<WineRegistryStore>(prefix, mayUpdatePrefix);
}

} // namespace settings
