#include "StoreActions.h"

#include "AccountRecord.h"
#include "KeySchema.h"
#include "OptionsRecord.h"
#include "SettingsStore.h"
#include "StoreChoice.h"
#include "StoreOperations.h"

#include <span>
#include <utility>
#include <variant>

namespace Module1 {

namespace {

StoreOutcome sync()
{
    StoreOutcome outcome;
    outcome.saved = SyncSettings(&outcome.problem, &outcome.unstorableKey);
    return outcome;
}

// The texts an action is about to write are checked before the first write,
// by the store's own rule, so a refused action writes nothing at all.
template <typename Row, typename Record, typename FieldOf>
QString firstUnstorableText(std::span<const Row> rows, Record record, FieldOf fieldOf)
{
    for (const Row& row : rows) {
        auto [key, field] = fieldOf(row, record);
        if (const QString* const* text = std::get_if<QString*>(&field); text && !CanStoreText(**text))
            return key;
    }
    return QString();
}

StoreOutcome refusedText(const QString& key)
{
    StoreOutcome outcome;
    outcome.problem = {settings::StoreProblem::Kind::Unstorable,
                       QStringLiteral("the value of %1 holds a line break or a NUL character").arg(key)};
    outcome.unstorableKey = key;
    return outcome;
}

void saveAccountCount(qint16 count)
{
    SaveValue(settings::kAccountCountKey.toString(), count, QString());
}

} // namespace

StoreOutcome StoreAccount(qint16 n)
{
    const bool adding = n == AccountCount + 1;
    if (n < 1 || n > AccountCount + 1) {
        StoreOutcome outcome;
        outcome.problem = {settings::StoreProblem::Kind::NoSuchAccount,
                           QStringLiteral("there is no account %1 and it is not the next one").arg(n)};
        return outcome;
    }
    const QString unstorable =
        firstUnstorableText(settings::AccountFieldKeys(), AccountRecord,
                            [n](const settings::AccountFieldKey& key, AccountRecordType& record) {
                                // The password is stored as its codes, digits and blanks only.
                                const settings::WorkingValue field =
                                    key.kind == settings::KeyKind::Password
                                        ? settings::WorkingValue(static_cast<qint16*>(nullptr))
                                        : key.value(record);
                                return std::pair(settings::AccountKey(key.field, n), field);
                            });
    if (!unstorable.isEmpty())
        return refusedText(unstorable);
    SaveAccount(n);
    // The count goes with the record, so an added account survives the
    // options window's Cancel.
    if (adding)
        saveAccountCount(n);
    StoreOutcome outcome = sync();
    if (outcome && adding)
        AccountCount = n;
    return outcome;
}

bool DeleteAccount(qint16 row, settings::StoreProblem* problem)
{
    if (row < 1 || row > AccountCount) {
        settings::ReportStoreProblem(problem, settings::StoreProblem::Kind::NoSuchAccount,
                                     QStringLiteral("there is no account %1").arg(row));
        return false;
    }
    // The record is not reset in between: a copy keeps what the stored account has.
    for (int k = row + 1; k <= AccountCount; ++k) {
        LoadAccount(qint16(k));
        SaveAccount(qint16(k - 1));
    }
    for (const QString& key : settings::AccountKeys(AccountCount))
        RemoveSetting(key);
    // The count goes with the records so that the options window's Cancel
    // cannot bring the deleted account back.
    saveAccountCount(qint16(AccountCount - 1));
    if (!SyncSettings(problem))
        return false;
    AccountCount = qint16(AccountCount - 1);
    return true;
}

StoreOutcome StoreOptions(const settings::OptionsRecord& record)
{
    settings::OptionsRecord written = record;
    written.AccountCount = AccountCount;
    const QString unstorable =
        firstUnstorableText(settings::SaveOrder(), written, [](const settings::GlobalKey* key, auto& fields) {
            return std::pair(key->name.toString(), key->field(fields));
        });
    if (!unstorable.isEmpty())
        return refusedText(unstorable);
    settings::WriteOptions(written);
    StoreOutcome outcome = sync();
    // OK ends the program: what the store still owes the disk is seen to now.
    if (outcome)
        outcome.saved = settings::ProcessStore().settle(&outcome.problem);
    return outcome;
}

} // namespace Module1
