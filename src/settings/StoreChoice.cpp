#include "StoreChoice.h"

#include "IniStoreFile.h"
#include "WinePrefix.h"
#include "WineRegistryStore.h"
#include "WineRegistryText.h"

#include <QDir>
#include <QFile>

namespace settings {

StoreChoice ChooseStore(const QString& winePrefixVariable, const QString& storeVariable, const QString& home)
{
    if (storeVariable == u"ini")
        return {};
    // Wine itself refuses a relative WINEPREFIX; taken against the current
    // folder it names at least the folder the user meant.
    const QString prefix = QDir::cleanPath(QDir::current().absoluteFilePath(
        winePrefixVariable.isEmpty() ? home + QStringLiteral("/.wine") : winePrefixVariable));
    if (storeVariable == u"wine")
        return {true, prefix};
    if (!IsWinePrefix(prefix))
        return {};
    QFile userReg(UserRegOf(prefix));
    if (!userReg.open(QIODevice::ReadOnly) || !ReadUserRegKey(userReg.readAll(), kMailCheckerKey).keyFound)
        return {};
    return {true, prefix};
}

const StoreChoice& CurrentStoreChoice()
{
    static const StoreChoice choice = ChooseStore(qEnvironmentVariable("WINEPREFIX"),
                                                  qEnvironmentVariable("QUORVIX_STORE"), QDir::homePath());
    return choice;
}

std::unique_ptr<StoreBackend> makeStoreBackend()
{
    const StoreChoice& choice = CurrentStoreChoice();
    if (choice.wineRegistry)
        return makeWineRegistryStore(choice.winePrefix);
    return makeIniStoreBackend();
}

SettingsStore& ProcessStore()
{
    static SettingsStore store(makeStoreBackend());
    return store;
}

} // namespace settings
