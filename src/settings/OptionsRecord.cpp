#include "OptionsRecord.h"

#include "KeySchema.h"
#include "StoreOperations.h"
#include "StoredNumbers.h"

#include <variant>

namespace settings {

namespace {

// Overloaded lambdas for std::visit.
template <typename... Handlers> struct Visitor : Handlers...
{
    using Handlers::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang 14).
template <typename... Handlers> Visitor(Handlers...) -> Visitor<Handlers...>;

QString textDefault(const GlobalKey& key, const QString& windowsDirectory)
{
    return key.source == DefaultSource::WindowsDirectory ? AgentnmDefault(windowsDirectory)
                                                         : key.defaultText.toString();
}

qint32 readNumber(const GlobalKey& key)
{
    return key.kind == KeyKind::AccountCount ? ReadStoredAccountCount() : ReadStoredNumber(key);
}

} // namespace

OptionsRecord ReadOptions(const QString& windowsDirectory)
{
    OptionsRecord record;
    for (const GlobalKey& key : GlobalKeys()) {
        if (!key.field)
            continue;
        std::visit(Visitor{
                       [&](qint16* value) { *value = qint16(readNumber(key)); },
                       [&](qint32* value) { *value = readNumber(key); },
                       [&](QString* value) {
                           *value =
                               Module1::ReadSetting(key.name.toString(), textDefault(key, windowsDirectory));
                       },
                   },
                   key.field(record));
    }
    return record;
}

void WriteOptions(const OptionsRecord& record)
{
    // The table hands out writable fields; a copy (its texts are shared, not
    // copied) keeps the caller's record untouched.
    OptionsRecord fields = record;
    for (const GlobalKey* key : SaveOrder()) {
        const QString name = key->name.toString();
        std::visit(Visitor{
                       [&](qint16* value) { Module1::SaveValue(name, *value, QString()); },
                       // 32 bits do not fit the save rule's number.
                       [&](qint32* value) { Module1::WriteSetting(name, QString::number(*value)); },
                       [&](QString* value) { Module1::SaveValue(name, 0, *value); },
                   },
                   key->field(fields));
    }
}

} // namespace settings
