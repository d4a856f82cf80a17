// Any bytes must read without failing, be written back unchanged, and take
// one change (a key set or removed) so that reading the result again finds
// that change and nothing else: every other key keeps its value, and a change
// that changes nothing leaves every byte as it was.

#include "IniDocument.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

using quorvix::settings::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string keyBytes = input.ConsumeRandomLengthString(24);
    const std::string textBytes = input.ConsumeRandomLengthString(48);
    const bool removing = input.ConsumeBool();
    const std::string fileBytes = input.ConsumeRemainingBytesAsString();
    const QByteArray file(fileBytes.data(), qsizetype(fileBytes.size()));

    const IniDocument before(file);
    if (before.toBytes() != file)
        std::abort(); // reading alone changes nothing

    const QString key = QString::fromStdString(keyBytes);
    const QString text = QString::fromStdString(textBytes);
    if (!IniDocument::isWritableKey(key) || !IniDocument::fitsOnALine(text))
        return 0;
    IniDocument changed(file);
    if (removing)
        changed.remove(key);
    else
        changed.set(key, text);
    const QByteArray written = changed.toBytes();
    const IniDocument after(written);

    if (after.value(key) != (removing ? std::nullopt : std::optional<QString>(text)))
        std::abort();
    if (before.value(key) == after.value(key) && written != file)
        std::abort();
    const QStringList keysBefore = before.keys();
    const QStringList keysAfter = after.keys();
    for (const QString& other : keysBefore) {
        if (other != key && after.value(other) != before.value(other))
            std::abort();
    }
    for (const QString& other : keysAfter) {
        if (other != key && !before.value(other))
            std::abort();
    }
    return 0;
}
