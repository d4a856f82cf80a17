#include "StoreOperations.h"

#include "KeySchema.h"
#include "SettingsStore.h"
#include "StoreChoice.h"

#include <QDateTime>

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
    return settings::ProcessStore().read(key, defaultText);
}

void WriteSetting(const QString& key, const QString& text)
{
    if (const WriteObserver& observer = writeObserver())
        observer(key, text);
    settings::ProcessStore().write(key, text);
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
    settings::ProcessStore().remove(key);
}

bool SyncSettings(settings::StoreProblem* problem, QString* unstorableKey)
{
    return settings::ProcessStore().sync(problem, unstorableKey);
}

void ReloadStore()
{
    settings::ProcessStore().reload();
}

void RefreshStore()
{
    settings::ProcessStore().refresh();
}

QString StoreFilePath()
{
    return settings::ProcessStore().filePath();
}

QString StoreIdentityFile()
{
    return settings::ChosenStoreFile();
}

void BeginReadingStore()
{
    settings::BeginOpeningProcessStore();
}

settings::StoreProblem StoreReadProblem()
{
    return settings::ProcessStore().readProblem();
}

bool CanStoreText(const QString& text)
{
    return settings::ProcessStore().canStore(text);
}

std::optional<WinePrefixUpdate> StorePrefixUpdate()
{
    const std::optional<settings::PrefixUpdateQuestion> question = settings::PrefixUpdateToAsk();
    if (!question)
        return std::nullopt;
    const QString recorded = question->recorded
                                 ? QDateTime::fromSecsSinceEpoch(question->recorded).toString(Qt::ISODate)
                                 : QString();
    return WinePrefixUpdate{question->prefix, recorded, question->thisWine};
}

void AllowStorePrefixUpdate()
{
    settings::AllowWinePrefixUpdate();
}

QStringList StoreOtherPrefixes()
{
    return settings::CurrentStoreChoice().otherPrefixesWithKey;
}

QString UnstorableCharacter(const QString& text)
{
    return settings::ProcessStore().foreignCharacter(text);
}

void SetWriteObserver(WriteObserver observer)
{
    writeObserver() = std::move(observer);
}

QString StoreWindowsDirectory()
{
    return settings::ProcessStore().backend().windowsDirectory();
}

QString StoreLocalPath(const QString& storedPath)
{
    return settings::ProcessStore().backend().toLocalPath(storedPath);
}

QString StoreStoredPath(const QString& localPath)
{
    return settings::ProcessStore().backend().toStoredPath(localPath);
}

QString StoreDisplayName()
{
    return settings::ProcessStore().backend().displayName();
}

} // namespace Module1
