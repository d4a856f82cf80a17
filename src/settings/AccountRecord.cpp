#include "Module1.h"

#include "KeySchema.h"

namespace Module1 {

namespace {

QString accountKey(const char16_t* prefix, qint16 n)
{
    return QString::fromUtf16(prefix) + QString::number(n);
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
    // Each step stands alone: a value that is not a usable number leaves its
    // field as it was, so Delete's load-then-save copies keep what they had.
    AccountRecordType& r = AccountRecord;
    r.Aname = ReadSetting(accountKey(u"Aname", n), QString());
    r.Hname = ReadSetting(accountKey(u"Hname", n), QString());
    assignIfNumber(r.Portno, ParseInt16(ReadSetting(accountKey(u"Portno", n), QStringLiteral("110"))));
    r.Uname = ReadSetting(accountKey(u"Uname", n), QString());
    const QString storedPassword = ReadSetting(accountKey(u"Passw", n), QString());
    if (!storedPassword.isEmpty())
        r.Passw = DecodePassword(withClosingBlank(storedPassword));
    assignIfNumber(r.Check, ParseInt16(ReadSetting(accountKey(u"Check", n), QStringLiteral("1"))));
    assignIfNumber(r.Scolor1, ParseInt32(ReadSetting(accountKey(u"Scolor1", n), QStringLiteral("0"))));
    assignIfNumber(r.Scolor2, ParseInt32(ReadSetting(accountKey(u"Scolor2", n), QStringLiteral("16777088"))));
}

void SaveAccount(qint16 n)
{
    const AccountRecordType& r = AccountRecord;
    SaveValue(accountKey(u"Aname", n), 0, r.Aname);
    SaveValue(accountKey(u"Hname", n), 0, r.Hname);
    SaveValue(accountKey(u"Portno", n), r.Portno, QString());
    SaveValue(accountKey(u"Uname", n), 0, r.Uname);
    SaveValue(accountKey(u"Passw", n), 0, EncodePassword(r.Passw));
    SaveValue(accountKey(u"Check", n), r.Check, QString());
    WriteSetting(accountKey(u"Scolor1", n), QString::number(r.Scolor1));
    WriteSetting(accountKey(u"Scolor2", n), QString::number(r.Scolor2));
}

} // namespace Module1

namespace Module1 {

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
    for (const QString& key : quorvix::settings::AccountKeys(AccountCount))
        RemoveSetting(key);
    // The count goes with the records so that the options window's Cancel
    // cannot bring the deleted account back.
    SaveValue(QStringLiteral("accountno"), qint16(AccountCount - 1), QString());
    if (!SyncSettings(reason))
        return false;
    AccountCount = qint16(AccountCount - 1);
    return true;
}

} // namespace Module1
