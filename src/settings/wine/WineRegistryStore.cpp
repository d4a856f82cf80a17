#include "WineRegistryStore.h"

#include "BusyNotice.h"
#include "StoreKeyMap.h"
#include "WinePrefix.h"
#include "WineRegistryText.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace settings {

namespace {

// A prefix that Wine must first bring up to date after an upgrade takes
// several seconds; a call still running after this long is given up.
constexpr int kWineCallMs = 120'000;

QString fullKeyName()
{
    return QStringLiteral("HKEY_CURRENT_USER\\") + kMailCheckerKey;
}

// The wine launcher: $WINE when set (the convention of Wine's own scripts),
// else wine on the PATH.
QString wineProgram()
{
    const QString chosen = qEnvironmentVariable("WINE", QStringLiteral("wine"));
    if (QFileInfo(chosen).isAbsolute())
        return QFileInfo(chosen).isExecutable() ? chosen : QString();
    return QStandardPaths::findExecutable(chosen);
}

QString firstLine(const QByteArray& output)
{
    return QString::fromLocal8Bit(output).trimmed().section(u'\n', 0, 0).trimmed();
}

class WineRegistryStore final : public StoreBackend
{
public:
    explicit WineRegistryStore(QString prefix) : prefix_(std::move(prefix)) {}

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

    // The mail checker under Wine asks Wine, which answers C:\windows of the prefix.
    QString windowsDirectory() const override { return QStringLiteral("C:\\windows"); }
    QString toLocalPath(const QString& storedPath) const override { return WindowsPathToUnix(prefix_, storedPath); }
    QString toStoredPath(const QString& localPath) const override
    {
        return localPath.isEmpty() ? localPath : UnixPathToWindows(prefix_, localPath);
    }
    QString displayName() const override { return QStringLiteral("Wineのﾚｼﾞｽﾄﾘ"); }

    bool reload(QString* reason) override
    {
        texts_.clear();
        index_.clear();
        if (!prefixIsThere(reason))
            return false;
        if (ProbeWineServer(prefix_) == WineServerState::Stopped)
            return readUserReg(reason);
        QTemporaryDir folder;
        RegistryKeyTexts exported;
        if (!exportKey(folder, &exported, reason))
            return false;
        take(std::move(exported));
        return true;
    }

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

    bool commit(const std::vector<StoreChange>& changes, QString* reason) override
    {
        if (!prefixIsThere(reason))
            return false;
        // Owner-only, as the store file is: the file holds the passwords.
        QTemporaryDir folder;
        const QString importFile = QStringLiteral("import.reg");
        QFile file(folder.filePath(importFile));
        if (!folder.isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(RegImportFile(kMailCheckerKey, changes)) < 0 || !file.flush()) {
            *reason = QStringLiteral("cannot write a file for reg import of the Wine prefix %1").arg(prefix_);
            return false;
        }
        file.close();
        if (!runWine(folder, {QStringLiteral("reg"), QStringLiteral("import"), importFile}, nullptr, reason))
            return false;
        // reg import reports success for a file it only partly understood, so
        // what it wrote is read back before the action counts as saved.
        RegistryKeyTexts written;
        if (!exportKey(folder, &written, reason))
            return false;
        take(std::move(written));
        for (const StoreChange& change : changes) {
            if (value(change.key) != change.text) {
                *reason = QStringLiteral("the registry of the Wine prefix %1 did not take the value of %2")
                              .arg(prefix_, change.key);
                return false;
            }
        }
        return true;
    }

private:
    bool prefixIsThere(QString* reason) const
    {
        if (IsWinePrefix(prefix_))
            return true;
        *reason = QStringLiteral("%1 is not a Wine prefix (it has no system.reg or user.reg), and Wine is "
                                 "not run there, because that would make a new prefix")
                      .arg(prefix_);
        return false;
    }

    bool readUserReg(QString* reason)
    {
        QFile file(UserRegOf(prefix_));
        if (!file.open(QIODevice::ReadOnly)) {
            *reason = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        RegistryKeyTexts read = ReadUserRegKey(file.readAll(), kMailCheckerKey);
        if (!read.readable) {
            *reason = QStringLiteral("%1 is not a Wine registry file").arg(file.fileName());
            return false;
        }
        take(std::move(read));
        return true;
    }

    bool exportKey(const QTemporaryDir& folder, RegistryKeyTexts* exported, QString* reason)
    {
        const QString exportFile = QStringLiteral("export.reg");
        QFile::remove(folder.filePath(exportFile));
        QByteArray errors;
        if (!runWine(folder,
                     {QStringLiteral("reg"), QStringLiteral("export"), fullKeyName(), exportFile,
                      QStringLiteral("/y")},
                     &errors, nullptr)) {
            // A key that is not there yet is an empty store; reg says so only
            // by failing, so whether the key exists is asked of user.reg,
            // which holds every key that ever was saved.
            if (!QFileInfo::exists(folder.filePath(exportFile))) {
                QFile userReg(UserRegOf(prefix_));
                if (userReg.open(QIODevice::ReadOnly) &&
                    !ReadUserRegKey(userReg.readAll(), kMailCheckerKey).keyFound) {
                    *exported = RegistryKeyTexts{};
                    exported->readable = true;
                    return true;
                }
            }
            *reason = QStringLiteral("wine reg export failed in the Wine prefix %1: %2")
                          .arg(prefix_, errors.isEmpty() ? QStringLiteral("no output") : firstLine(errors));
            return false;
        }
        QFile file(folder.filePath(exportFile));
        if (!file.open(QIODevice::ReadOnly)) {
            *reason = QStringLiteral("wine reg export of the Wine prefix %1 wrote no file").arg(prefix_);
            return false;
        }
        *exported = ReadRegExportKey(file.readAll(), kMailCheckerKey);
        if (!exported->readable) {
            *reason = QStringLiteral("wine reg export of the Wine prefix %1 wrote a file of another form")
                          .arg(prefix_);
            return false;
        }
        return true;
    }

    // Runs wine with arguments in folder; true when it ended with code 0.
    // Its error output goes to *errors, or into *reason on failure.
    bool runWine(const QTemporaryDir& folder, const QStringList& arguments, QByteArray* errors,
                 QString* reason) const
    {
        QString why;
        const QString wine = wineProgram();
        if (!folder.isValid()) {
            why = QStringLiteral("cannot create a temporary folder for Wine");
        } else if (wine.isEmpty()) {
            why = QStringLiteral("Wine is not installed (no wine program found), so the registry of the "
                                 "Wine prefix %1 cannot be reached")
                      .arg(prefix_);
        } else {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("WINEPREFIX"), prefix_);
            environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
            // No installer of Wine's browser or .NET stand-ins pops up when
            // Wine brings an old prefix up to date on this call.
            if (!environment.contains(QStringLiteral("WINEDLLOVERRIDES")))
                environment.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(folder.path());
            process.setStandardInputFile(QProcess::nullDevice());
            process.setStandardOutputFile(QProcess::nullDevice());
            const BusyNotice busy;
            process.start(wine, arguments);
            const bool finished = process.waitForStarted(kWineCallMs) && process.waitForFinished(kWineCallMs);
            const QByteArray output = process.readAllStandardError();
            if (errors)
                *errors = output;
            if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
                return true;
            if (!finished) {
                process.kill();
                process.waitForFinished(1000);
                why = QStringLiteral("wine %1 did not finish in the Wine prefix %2")
                          .arg(arguments.value(1), prefix_);
            } else {
                why = QStringLiteral("wine %1 failed in the Wine prefix %2 (exit code %3): %4")
                          .arg(arguments.value(1), prefix_)
                          .arg(process.exitCode())
                          .arg(output.isEmpty() ? QStringLiteral("no output") : firstLine(output));
            }
        }
        if (reason)
            *reason = why;
        else if (errors && errors->isEmpty())
            *errors = why.toLocal8Bit();
        return false;
    }

    void take(RegistryKeyTexts read)
    {
        texts_ = std::move(read.texts);
        index_.clear();
        for (std::size_t i = 0; i < texts_.size(); ++i)
            index_.emplace(FoldedValueName(texts_[i].first), i);
    }

    QString prefix_;
    std::vector<std::pair<QString, QString>> texts_;
    // Where each value is in texts_, by its folded name.
    StoreKeyMap<std::size_t> index_;
};

} // namespace

std::unique_ptr<StoreBackend> makeWineRegistryStore(const QString& prefix)
{
    return std::make_unique<WineRegistryStore>(prefix);
}

} // namespace settings
