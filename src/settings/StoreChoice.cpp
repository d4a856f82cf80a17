#include "StoreChoice.h"

#include "IniStoreFile.h"
#include "RegistryHelper.h"
#include "WinePrefix.h"
#include "WineRegistryStore.h"
#include "WineRegistryText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace settings {

namespace {

bool userRegHoldsKey(const QString& prefix)
{
    QFile userReg(UserRegOf(prefix));
    return userReg.open(QIODevice::ReadOnly) && ReadUserRegKey(userReg.readAll(), kMailCheckerKey).keyFound;
}

bool& prefixUpdateAllowed()
{
    static bool allowed = false;
    return allowed;
}

std::unique_ptr<StoreBackend> makeChosenWineStore(const StoreChoice& choice)
{
    return makeWineRegistryStore(choice.winePrefix, prefixUpdateAllowed());
}

} // namespace

StoreChoice ChooseStore(const QString& winePrefixVariable, const QString& storeVariable, const QString& home,
                        bool wineCanBeAsked)
{
    if (storeVariable == u"ini")
        return {};
    // Wine itself refuses a relative WINEPREFIX; taken against the current
    // folder it names at least the folder the user meant.
    const QString prefix = QDir::cleanPath(QDir::current().absoluteFilePath(
        winePrefixVariable.isEmpty() ? home + QStringLiteral("/.wine") : winePrefixVariable));
    if (storeVariable == u"wine")
        return {true, prefix, false, {}};
    if (IsWinePrefix(prefix)) {
        if (wineCanBeAsked && ProbeWineServer(prefix) != WineServerState::Stopped)
            return {true, prefix, true, {}};
        if (userRegHoldsKey(prefix))
            return {true, prefix, false, {}};
    }
    // Looked up only here, off the usual path, so that a start on either
    // ordinary store reads no other prefix.
    StoreChoice ini;
    QStringList others = ManagedPrefixes(home);
    if (!winePrefixVariable.isEmpty() && IsWinePrefix(home + QStringLiteral("/.wine")))
        others.prepend(home + QStringLiteral("/.wine"));
    for (const QString& other : others) {
        if (other != prefix && userRegHoldsKey(other))
            ini.otherPrefixesWithKey.append(other);
    }
    return ini;
}

const StoreChoice& CurrentStoreChoice()
{
    static const StoreChoice choice = ChooseStore(
        qEnvironmentVariable("WINEPREFIX"), qEnvironmentVariable("QUORVIX_STORE"), QDir::homePath(),
        !RegistryHelper::program().isEmpty() && !RegistryHelper::wineProgram().isEmpty());
    return choice;
}

std::unique_ptr<StoreBackend> makeStoreBackend()
{
    const StoreChoice& choice = CurrentStoreChoice();
    if (choice.wineRegistry)
        return makeChosenWineStore(choice);
    return makeIniStoreBackend();
}

QString ChosenStoreFile()
{
    const StoreChoice& choice = CurrentStoreChoice();
    const QString file = makeStoreBackend()->storeFile();
    if (choice.wineRegistry) {
        // A prefix folder that is not there is not made: the lock goes
        // beside it, and is removed when the window ends.
        return QFileInfo(choice.winePrefix).isDir() ? file : choice.winePrefix;
    }
    // The first OK makes this folder anyway; the lock needs it now.
    QDir().mkpath(QFileInfo(file).absolutePath());
    return file;
}

std::optional<PrefixUpdateQuestion> PrefixUpdateToAsk()
{
    const StoreChoice& choice = CurrentStoreChoice();
    if (!choice.wineRegistry || prefixUpdateAllowed() || !IsWinePrefix(choice.winePrefix))
        return std::nullopt;
    const QString wine = RegistryHelper::wineProgram();
    const PrefixUpdateCheck check = CheckPrefixUpdate(choice.winePrefix, wine);
    if (!check.wouldUpdate)
        return std::nullopt;
    return PrefixUpdateQuestion{choice.winePrefix, check.recorded, WineVersion(wine)};
}

void AllowWinePrefixUpdate()
{
    prefixUpdateAllowed() = true;
}

namespace {

std::unique_ptr<SettingsStore> beginOpening(const StoreChoice& choice)
{
    if (!choice.wineRegistry)
        return std::make_unique<SettingsStore>(makeIniStoreBackend());
    // The store's own first read asks Wine (on the store's worker thread,
    // where a helper it keeps must live), and is not repeated.
    return std::make_unique<SettingsStore>(makeChosenWineStore(choice), SettingsStore::FirstRead::Started);
}

void finishOpening(SettingsStore& store, const StoreChoice& choice)
{
    store.finishOpening();
    // A read that failed leaves the question open: the registry stays the
    // store, named as unreadable, rather than an INI file nothing reads.
    if (choice.keyToBeAskedOfWine && !store.readProblem().isProblem() && !store.backend().storeFound())
        store.useBackend(makeIniStoreBackend());
}

struct ProcessStoreOpening
{
    std::unique_ptr<SettingsStore> store;
    bool finished = false;
};

ProcessStoreOpening& processStoreOpening()
{
    static ProcessStoreOpening opening;
    return opening;
}

} // namespace

std::unique_ptr<SettingsStore> OpenStore(const StoreChoice& choice)
{
    std::unique_ptr<SettingsStore> store = beginOpening(choice);
    finishOpening(*store, choice);
    return store;
}

SettingsStore& ProcessStore()
{
    ProcessStoreOpening& opening = processStoreOpening();
    if (!opening.store)
        opening.store = beginOpening(CurrentStoreChoice());
    if (!opening.finished) {
        finishOpening(*opening.store, CurrentStoreChoice());
        opening.finished = true;
    }
    return *opening.store;
}

void BeginOpeningProcessStore()
{
    ProcessStoreOpening& opening = processStoreOpening();
    if (opening.store || !CurrentStoreChoice().wineRegistry || PrefixUpdateToAsk())
        return;
    opening.store = beginOpening(CurrentStoreChoice());
}

} // namespace settings
