#include "AccountRecord.h"

#include "KeySchema.h"
#include "Module1.h"

using settings::AccountField;

namespace Module1 {

namespace {

QString accountKey(AccountField field, qint16 n)
{
    return settings::AccountKey(field, n);
}

template <typename Int> void assignIfNumber(Int& field, std::optional<Int> value)
{
    if (value)
        field = *value;
}

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

} // namespace

void ResetAccount()
{
    AccountRecord = AccountRecordType{};
}

void LoadAccount(qint16 n)
{
    // An absent key reads as its field's reset value. Each step stands alone:
    // a value that is not a usable number leaves its field as it was, so
    // Delete's load-then-save copies keep what they had.
    const AccountRecordType absent;
    AccountRecordType& r = AccountRecord;
    r.Aname = ReadSetting(accountKey(AccountField::Aname, n), absent.Aname);
    r.Hname = ReadSetting(accountKey(AccountField::Hname, n), absent.Hname);
    assignIfNumber(r.Portno, ParseInt16(ReadSetting(accountKey(AccountField::Portno, n),
                                                    QString::number(absent.Portno))));
    r.Uname = ReadSetting(accountKey(AccountField::Uname, n), absent.Uname);
    const QString storedPassword = ReadSetting(accountKey(AccountField::Passw, n), QString());
    if (!storedPassword.isEmpty())
        r.Passw = DecodePassword(withClosingBlank(storedPassword));
    assignIfNumber(
        r.Check, ParseInt16(ReadSetting(accountKey(AccountField::Check, n), QString::number(absent.Check))));
    assignIfNumber(r.Scolor1, ParseInt32(ReadSetting(accountKey(AccountField::Scolor1, n),
                                                     QString::number(absent.Scolor1))));
    assignIfNumber(r.Scolor2, ParseInt32(ReadSetting(accountKey(AccountField::Scolor2, n),
                                                     QString::number(absent.Scolor2))));
}

void SaveAccount(qint16 n)
{
    const AccountRecordType& r = AccountRecord;
    SaveValue(accountKey(AccountField::Aname, n), 0, r.Aname);
    SaveValue(accountKey(AccountField::Hname, n), 0, r.Hname);
    SaveValue(accountKey(AccountField::Portno, n), r.Portno, QString());
    SaveValue(accountKey(AccountField::Uname, n), 0, r.Uname);
    SaveValue(accountKey(AccountField::Passw, n), 0, EncodePassword(r.Passw));
    SaveValue(accountKey(AccountField::Check, n), r.Check, QString());
    WriteSetting(accountKey(AccountField::Scolor1, n), QString::number(r.Scolor1));
    WriteSetting(accountKey(AccountField::Scolor2, n), QString::number(r.Scolor2));
}

void SaveAccountCount(qint16 count)
{
    SaveValue(settings::kAccountCountKey.toString(), count, QString());
}

bool DeleteAccount(qint16 row, QString* reason)
{
    if (row < 1 || row > AccountCount) {
        if (reason)
            *reason = QStringLiteral("there is no account %1").arg(row);
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
    SaveAccountCount(qint16(AccountCount - 1));
    if (!SyncSettings(reason))
        return false;
    AccountCount = qint16(AccountCount - 1);
    return true;
}

} // namespace Module1
