#include "StoreOperations.h"

#include "KeySchema.h"
#include "SettingsStore.h"

using settings::SettingsStore;

namespace Module1 {

namespace {
WriteObserver& writeObserver()
{
    static WriteObserver observer;
    return observer;
}
} // namespace

QString ReadSetting(const QString& key, const QString& defaultText)
{
    return SettingsStore::instance().read(key, defaultText);
}

void WriteSetting(const QString& key, const QString& text)
{
    if (const WriteObserver& observer = writeObserver())
        observer(key, text);
    SettingsStore::instance().write(key, text);
}

void SaveValue(const QString& key, qint16 number, const QString& text)
{
    WriteSetting(key, SavedText(key, number, text));
}

QString SavedText(const QString& key, qint16 number, const QString& text)
{
    if (!text.isEmpty())
        return text;
    // The mail checker treats an empty path or template as "none"; every
    // other empty text becomes the number.
    return settings::MayBeStoredEmpty(key) ? QString() : QString::number(number);
}

void RemoveSetting(const QString& key)
{
    SettingsStore::instance().remove(key);
}

bool SyncSettings(QString* reason, QString* unstorableKey)
{
    return SettingsStore::instance().sync(reason, unstorableKey);
}

void ReloadStore()
{
    SettingsStore::instance().reload();
}

void RefreshStore()
{
    SettingsStore::instance().refresh();
}

QString StoreFilePath()
{
    return SettingsStore::instance().filePath();
}

QString StoreFile()
{
    return SettingsStore::instance().storeFile();
}

QString StoreReadProblem()
{
    return SettingsStore::instance().readProblem();
}

bool CanStoreText(const QString& text)
{
    return SettingsStore::instance().canStore(text);
}

void SetWriteObserver(WriteObserver observer)
{
    writeObserver() = std::move(observer);
}

} // namespace Module1
