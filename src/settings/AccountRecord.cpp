#include "AccountRecord.h"

#include "KeySchema.h"
#include "Numbers.h"
#include "Password.h"
#include "StoreOperations.h"

#include <variant>

using settings::AccountFieldKey;
using settings::KeyKind;

namespace Module1 {

namespace {

// Overloaded lambdas for std::visit.
template <typename... Handlers> struct Visitor : Handlers...
{
    using Handlers::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang 14).
template <typename... Handlers> Visitor(Handlers...) -> Visitor<Handlers...>;

// Every code of a stored password is followed by a blank, the last one
// included, but a plain line of the store file loses the blanks at its end
// (any INI writer or editor leaves them unquoted). So the last code counts
// without its blank too. "0" is the stored form of the empty password, not a code.
QString withClosingBlank(const QString& stored)
{
    if (stored == u"0" || stored.endsWith(u' '))
        return stored;
    return stored + u' ';
}

// A stored number that does not convert or fit leaves the field alone or
// gives the default, as the key's row says.
template <typename Int>
void assignNumber(Int& field, std::optional<Int> (*parse)(const QString&), const QString& stored,
                  const AccountFieldKey& key)
{
    if (const std::optional<Int> value = parse(stored))
        field = *value;
    else if (key.unusable == settings::UnusableNumber::Default)
        field = parse(key.defaultText.toString()).value_or(Int{});
}

} // namespace

void ResetAccount()
{
    AccountRecord = AccountRecordType{};
}

void LoadAccount(qint16 n)
{
    // Each step stands alone, so Delete's load-then-save copies keep what they had.
    for (const AccountFieldKey& key : settings::AccountFieldKeys()) {
        const QString name = settings::AccountKey(key.field, n);
        if (key.kind == KeyKind::Password) {
            const QString stored = ReadSetting(name, QString());
            if (!stored.isEmpty())
                AccountRecord.Passw = DecodePassword(withClosingBlank(stored));
            continue;
        }
        const QString stored = ReadSetting(name, key.defaultText.toString());
        std::visit(Visitor{
                       [&](qint16* value) { assignNumber<qint16>(*value, &ParseInt16, stored, key); },
                       [&](qint32* value) { assignNumber<qint32>(*value, &ParseInt32, stored, key); },
                       [&](QString* value) { *value = stored; },
                   },
                   key.value(AccountRecord));
    }
}

void SaveAccount(qint16 n)
{
    // The table hands out writable fields; a copy keeps the record untouched.
    AccountRecordType fields = AccountRecord;
    for (const AccountFieldKey& key : settings::AccountFieldKeys()) {
        const QString name = settings::AccountKey(key.field, n);
        std::visit(Visitor{
                       [&](qint16* value) { SaveValue(name, *value, QString()); },
                       // 32 bits do not fit the save rule's number.
                       [&](qint32* value) { WriteSetting(name, QString::number(*value)); },
                       [&](QString* value) {
                           SaveValue(name, 0,
                                     key.kind == KeyKind::Password ? EncodePassword(*value) : *value);
                       },
                   },
                   key.value(fields));
    }
}

} // namespace Module1
