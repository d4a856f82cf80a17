#include "KeySchema.h"

#include "RecordTypes.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace settings {

namespace {

using enum KeyKind;

constexpr qint32 kInt16Min = std::numeric_limits<qint16>::min();
constexpr qint32 kInt16Max = std::numeric_limits<qint16>::max();

template <auto Member> WorkingValue field(OptionsRecord& record)
{
    return &(record.*Member);
}

template <auto Member, std::size_t Index> WorkingValue element(OptionsRecord& record)
{
    return &(record.*Member)[Index];
}

constexpr GlobalKey checkBox(QStringView name, QStringView defaultText, RecordField f)
{
    return {name, CheckBox, DefaultSource::Fixed, defaultText, SaveTime::InReadOrder, 0, 0, 1, f};
}

constexpr GlobalKey number(QStringView name, QStringView defaultText, RecordField f,
                           qint32 minimum = kInt16Min, qint32 maximum = kInt16Max)
{
    return {name, Int16, DefaultSource::Fixed, defaultText, SaveTime::InReadOrder, 0, minimum, maximum, f};
}

constexpr GlobalKey text(QStringView name, QStringView defaultText, RecordField f)
{
    return {name, Text, DefaultSource::Fixed, defaultText, SaveTime::InReadOrder, 0, 0, 0, f};
}

// key, written by OK at place among the keys written first.
constexpr GlobalKey writtenFirst(int place, GlobalKey key)
{
    key.save = SaveTime::First;
    key.firstPlace = place;
    return key;
}

// Read order is the order of the rows.
constexpr std::array kGlobalKeys{
    GlobalKey{kAccountCountKey, AccountCount, DefaultSource::Fixed, u"0", SaveTime::InReadOrder, 0, 0,
              kInt16Max, &field<&OptionsRecord::AccountCount>},
    checkBox(u"Option1value", u"1", &field<&OptionsRecord::Option1value>),
    checkBox(u"Option2value", u"1", &field<&OptionsRecord::Option2value>),
    checkBox(u"Option3value", u"1", &field<&OptionsRecord::Option3value>),
    checkBox(u"Option4index", u"1", &field<&OptionsRecord::Option4index>),
    checkBox(u"Option5value", u"0", &field<&OptionsRecord::Option5value>),
    checkBox(u"Check5value", u"1", &field<&OptionsRecord::Check5value>),
    checkBox(u"Option8value", u"1", &field<&OptionsRecord::Option8value>),
    checkBox(u"Option9value", u"1", &field<&OptionsRecord::Option9value>),
    checkBox(u"Check1value", u"1", &field<&OptionsRecord::Check1value>),
    checkBox(u"Check2value", u"1", &field<&OptionsRecord::Check2value>),
    checkBox(u"Check3value", u"1", &field<&OptionsRecord::Check3value>),
    checkBox(u"Check4value", u"1", &field<&OptionsRecord::Check4value>),
    number(u"Checktimerval", u"0", &field<&OptionsRecord::CheckTimer>),
    number(u"Closetimerval", u"0", &field<&OptionsRecord::CloseTimer>),
    number(u"Timeupval", u"60", &field<&OptionsRecord::TimeUp>),
    text(u"Mailerdir1", u"", &element<&OptionsRecord::MailerPath, 1>),
    text(u"Mailerdir2", u"", &element<&OptionsRecord::MailerPath, 2>),
    text(u"Wavdir", u"", &field<&OptionsRecord::WavPath>),
    GlobalKey{u"Agentnm",
              Text,
              DefaultSource::WindowsDirectory,
              {},
              SaveTime::InReadOrder,
              0,
              0,
              0,
              &field<&OptionsRecord::AgentPath>},
    writtenFirst(1, text(u"Actkind1", u"Congratulate", &element<&OptionsRecord::Actkind, 1>)),
    writtenFirst(3, text(u"Actkind2", u"Read", &element<&OptionsRecord::Actkind, 2>)),
    writtenFirst(5, text(u"Actkind3", u"Nothing", &element<&OptionsRecord::Actkind, 3>)),
    writtenFirst(7, text(u"Actkind4", u"Nothing", &element<&OptionsRecord::Actkind, 4>)),
    writtenFirst(9, text(u"Actkind5", u"Nothing", &element<&OptionsRecord::Actkind, 5>)),
    writtenFirst(11, text(u"Actkind6", u"Nothing", &element<&OptionsRecord::Actkind, 6>)),
    number(u"Talkcnt", u"10", &field<&OptionsRecord::TalkCount>),
    text(u"Notstr", kNotstrDefault, &field<&OptionsRecord::NotReadChars>),
    writtenFirst(0, text(u"Talkstr1", kTalkstr1Default, &element<&OptionsRecord::Talkstr, 1>)),
    writtenFirst(2, text(u"Talkstr2", kTalkstr2Default, &element<&OptionsRecord::Talkstr, 2>)),
    writtenFirst(4, text(u"Talkstr3", kTalkstr3Default, &element<&OptionsRecord::Talkstr, 3>)),
    writtenFirst(6, text(u"Talkstr4", kTalkstr4Default, &element<&OptionsRecord::Talkstr, 4>)),
    writtenFirst(8, text(u"Talkstr5", kTalkstr5Default, &element<&OptionsRecord::Talkstr, 5>)),
    writtenFirst(10, text(u"Talkstr6", kTalkstr6Default, &element<&OptionsRecord::Talkstr, 6>)),
    // The bars' ranges: a stored value the bar cannot show is taken as absent.
    GlobalKey{u"Volval", Int32, DefaultSource::Fixed, u"30000", SaveTime::InReadOrder, 0, 0, 65535,
              &field<&OptionsRecord::VolumeValue>},
    number(u"Pitchval", u"100", &field<&OptionsRecord::PitchValue>, 50, 250),
    text(u"HukifontN", kHukifontNDefault, &field<&OptionsRecord::BalloonFontName>),
    // Any 16-bit size is kept, so OK writes back what was stored.
    number(u"HukifontS", u"9", &field<&OptionsRecord::BalloonFontSize>),
    GlobalKey{kAgentLeftKey, Real, DefaultSource::Screen, {}, SaveTime::Never, 0, 0, 0, nullptr},
    GlobalKey{kAgentTopKey, Real, DefaultSource::Screen, {}, SaveTime::Never, 0, 0, 0, nullptr},
};

constexpr std::size_t countSaved(SaveTime time)
{
    return std::size_t(
        std::ranges::count_if(kGlobalKeys, [time](const GlobalKey& k) { return k.save == time; }));
}

constexpr std::size_t kFirstCount = countSaved(SaveTime::First);
constexpr std::size_t kSavedCount = kFirstCount + countSaved(SaveTime::InReadOrder);

constexpr std::array<const GlobalKey*, kSavedCount> saveOrder()
{
    std::array<const GlobalKey*, kSavedCount> order{};
    std::size_t next = kFirstCount;
    for (const GlobalKey& key : kGlobalKeys) {
        if (key.save == SaveTime::First)
            order[std::size_t(key.firstPlace)] = &key;
        else if (key.save == SaveTime::InReadOrder)
            order[next++] = &key;
    }
    return order;
}

constexpr std::array kSaveOrder = saveOrder();
static_assert(std::ranges::none_of(kSaveOrder, [](const GlobalKey* key) { return key == nullptr; }),
              "the keys written first have the places 0, 1, 2, ... each once");

template <auto Member> WorkingValue accountField(Module1::AccountRecordType& record)
{
    return &(record.*Member);
}

using Module1::AccountRecordType;
using enum AccountField;
using enum UnusableNumber;

// Read and write order is the order of the rows; a row's place is its field's value.
constexpr std::array kAccountFieldKeys{
    AccountFieldKey{Aname, u"Aname", Text, u"", KeepField, false, &accountField<&AccountRecordType::Aname>},
    AccountFieldKey{Hname, u"Hname", Text, u"", KeepField, false, &accountField<&AccountRecordType::Hname>},
    AccountFieldKey{Portno, u"Portno", Int16, u"110", KeepField, false,
                    &accountField<&AccountRecordType::Portno>},
    AccountFieldKey{Uname, u"Uname", Text, u"", KeepField, false, &accountField<&AccountRecordType::Uname>},
    AccountFieldKey{
        Passw, u"Passw", Password, {}, KeepField, false, &accountField<&AccountRecordType::Passw>},
    AccountFieldKey{Check, u"Check", Int16, u"1", KeepField, false, &accountField<&AccountRecordType::Check>},
    AccountFieldKey{Scolor1, u"Scolor1", Int32, u"0", KeepField, false,
                    &accountField<&AccountRecordType::Scolor1>},
    AccountFieldKey{Scolor2, u"Scolor2", Int32, u"16777088", KeepField, false,
                    &accountField<&AccountRecordType::Scolor2>},
};

constexpr bool rowsInFieldOrder()
{
    for (std::size_t i = 0; i < kAccountFieldKeys.size(); ++i) {
        if (std::size_t(kAccountFieldKeys[i].field) != i)
            return false;
    }
    return true;
}
static_assert(rowsInFieldOrder(), "row i of the account table is field i");

} // namespace

std::span<const GlobalKey> GlobalKeys()
{
    return kGlobalKeys;
}

std::span<const GlobalKey* const> SaveOrder()
{
    return kSaveOrder;
}

const GlobalKey* FindGlobalKey(QStringView name)
{
    for (const GlobalKey& key : kGlobalKeys) {
        if (key.name == name)
            return &key;
    }
    return nullptr;
}

QString AgentnmDefault(const QString& windowsDirectory)
{
    return windowsDirectory + kAgentFileSuffix;
}

// Built in one allocation: Delete names every key of every later account twice.
QString IndexedKey(QStringView prefix, int index)
{
    char digits[12];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, index);
    const qsizetype length = qsizetype(written.ptr - digits);
    QString key;
    key.reserve(prefix.size() + length);
    key.append(prefix);
    key.append(QLatin1StringView(digits, length));
    return key;
}

std::span<const AccountFieldKey> AccountFieldKeys()
{
    return kAccountFieldKeys;
}

bool MayBeStoredEmpty(QStringView key)
{
    return key == u"Mailerdir1" || key == u"Mailerdir2" || key == u"Wavdir" ||
           key.contains(u"Talkstr", Qt::CaseSensitive);
}

QString AccountKey(AccountField field, qint16 n)
{
    return IndexedKey(kAccountFieldKeys[std::size_t(field)].name, n);
}

QStringList AccountKeys(qint16 n)
{
    QStringList keys;
    keys.reserve(std::ssize(kAccountFieldKeys));
    for (const AccountFieldKey& key : kAccountFieldKeys)
        keys.append(IndexedKey(key.name, n));
    return keys;
}

} // namespace settings
