// Any bytes must read as user.reg and as reg export output without failing.
// Changes of any names and texts written as a reg import file must read
// back, through the reader of reg export output, as exactly the texts set,
// one value per name whatever its case, and nothing for the names removed.

#include "WineRegistryText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>

using namespace settings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    ReadUserRegKey(bytes, kMailCheckerKey);
    ReadRegExportKey(bytes, kMailCheckerKey);

    FuzzedDataProvider input(data, size);
    std::vector<StoreChange> changes;
    std::map<QString, std::pair<QString, std::optional<QString>>> expected; // by folded name
    const int count = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) {
        const std::string key = input.ConsumeRandomLengthString(16);
        const std::string text = input.ConsumeRandomLengthString(32);
        StoreChange change{QString::fromUtf8(key.data(), qsizetype(key.size())), std::nullopt};
        if (input.ConsumeBool())
            change.text = QString::fromUtf8(text.data(), qsizetype(text.size()));
        auto [it, inserted] = expected.try_emplace(FoldedValueName(change.key), change.key, change.text);
        if (!inserted)
            it->second.second = change.text;
        changes.push_back(change);
    }
    const RegistryKeyTexts back = ReadRegExportKey(RegImportFile(kMailCheckerKey, changes), kMailCheckerKey);
    if (!back.readable || !back.keyFound)
        std::abort();
    std::size_t texts = 0;
    for (const auto& [folded, change] : expected) {
        if (!change.second)
            continue;
        ++texts;
        bool found = false;
        for (const auto& [name, text] : back.texts)
            found = found || (FoldedValueName(name) == folded && text == *change.second);
        if (!found)
            std::abort();
    }
    if (back.texts.size() != texts)
        std::abort();
    return 0;
}
