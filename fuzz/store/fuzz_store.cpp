// Any bytes must read without failing and be written back unchanged. Two
// changes (a key set or removed), applied one after the other to the same
// document as the store does across actions, must read back as those changes
// and nothing else: every other key keeps its value, and changes that change
// nothing leave every byte as it was.

#include "IniDocument.h"
#include "StoreText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>

using settings::IniDocument;

namespace {

struct Change
{
    QString key;
    QString text;
    bool removing = false;
};

Change consumeChange(FuzzedDataProvider& input)
{
    Change change;
    change.key = QString::fromStdString(input.ConsumeRandomLengthString(24));
    change.text = QString::fromStdString(input.ConsumeRandomLengthString(48));
    change.removing = input.ConsumeBool();
    return change;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const Change changes[] = {consumeChange(input), consumeChange(input)};
    const std::string fileBytes = input.ConsumeRemainingBytesAsString();
    const QByteArray file(fileBytes.data(), qsizetype(fileBytes.size()));

    const IniDocument before(file);
    if (before.toBytes() != file)
        std::abort(); // reading alone changes nothing

    std::map<QString, std::optional<QString>> expected;
    for (const QString& key : before.keys())
        expected[key] = before.value(key);
    IniDocument changed(file);
    bool changesSomething = false;
    for (const Change& change : changes) {
        if (!IniDocument::isWritableKey(change.key) || !settings::FitsOnAStoreLine(change.text))
            continue;
        const std::optional<QString> now = change.removing ? std::nullopt : std::optional(change.text);
        changesSomething = changesSomething || changed.value(change.key) != now;
        if (change.removing)
            changed.remove(change.key);
        else
            changed.set(change.key, change.text);
        expected[change.key] = now;
        if (changed.value(change.key) != now)
            std::abort(); // the document in memory answers with the change
    }
    const QByteArray written = changed.toBytes();
    if (!changesSomething && written != file)
        std::abort();
    const IniDocument after(written);
    for (const auto& [key, value] : expected) {
        if (after.value(key) != value)
            std::abort();
    }
    for (const QString& key : after.keys()) {
        if (!expected.count(key))
            std::abort(); // no key appeared from nowhere
    }
    return 0;
}
