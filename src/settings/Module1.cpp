#include "Module1.h"

#include "IniDocument.h"
#include "SettingsStore.h"

using settings::IniDocument;
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
    if (!text.isEmpty()) {
        WriteSetting(key, text);
        return;
    }
    // Only these text options may be stored empty; the mail checker treats an
    // empty path or template as "none". Every other empty text becomes the number.
    const bool mayBeEmpty = key == u"Mailerdir1" || key == u"Mailerdir2" || key == u"Wavdir" ||
                            key.contains(u"Talkstr", Qt::CaseSensitive);
    WriteSetting(key, mayBeEmpty ? QString() : QString::number(number));
}

void RemoveSetting(const QString& key)
{
    SettingsStore::instance().remove(key);
}

bool SyncSettings(QString* reason)
{
    return SettingsStore::instance().sync(reason);
}

void ReloadStore()
{
    SettingsStore::instance().reload();
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

bool CanWriteSetting(const QString& key, const QString& text)
{
    return FitsOnAStoreLine(text) || ReadSetting(key, QString()) == text;
}

bool FitsOnAStoreLine(const QString& text)
{
    return IniDocument::fitsOnALine(text);
}

void SetWriteObserver(WriteObserver observer)
{
    writeObserver() = std::move(observer);
}

} // namespace Module1
