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
        r.Passw = DecodePassword(storedPassword);
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

} // namespace Module1
