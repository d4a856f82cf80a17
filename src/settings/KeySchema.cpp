#include "KeySchema.h"

#include "OptionsRecord.h"

#include <algorithm>
#include <array>
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

constexpr GlobalKey checkBox(QStringView name, QStringView defaultText, int save, RecordField f)
{
    return {name, CheckBox, DefaultSource::Fixed, defaultText, save, 0, 1, f};
}

constexpr GlobalKey number(QStringView name, QStringView defaultText, int save, RecordField f,
                           qint32 minimum = kInt16Min, qint32 maximum = kInt16Max)
{
    return {name, Int16, DefaultSource::Fixed, defaultText, save, minimum, maximum, f};
}

constexpr GlobalKey text(QStringView name, QStringView defaultText, int save, RecordField f)
{
    return {name, Text, DefaultSource::Fixed, defaultText, save, 0, 0, f};
}

// Read order is the order of the rows; the third column is the place among
// OK's writes, which begin with the templates and their animations in turn.
constexpr std::array kGlobalKeys{
    GlobalKey{kAccountCountKey, AccountCount, DefaultSource::Fixed, u"0", 12, 0, kInt16Max,
              &field<&OptionsRecord::AccountCount>},
    checkBox(u"Option1value", u"1", 13, &field<&OptionsRecord::Option1value>),
    checkBox(u"Option2value", u"1", 14, &field<&OptionsRecord::Option2value>),
    checkBox(u"Option3value", u"1", 15, &field<&OptionsRecord::Option3value>),
    checkBox(u"Option4index", u"1", 16, &field<&OptionsRecord::Option4index>),
    checkBox(u"Option5value", u"0", 17, &field<&OptionsRecord::Option5value>),
    checkBox(u"Check5value", u"1", 18, &field<&OptionsRecord::Check5value>),
    checkBox(u"Option8value", u"1", 19, &field<&OptionsRecord::Option8value>),
    checkBox(u"Option9value", u"1", 20, &field<&OptionsRecord::Option9value>),
    checkBox(u"Check1value", u"1", 21, &field<&OptionsRecord::Check1value>),
    checkBox(u"Check2value", u"1", 22, &field<&OptionsRecord::Check2value>),
    checkBox(u"Check3value", u"1", 23, &field<&OptionsRecord::Check3value>),
    checkBox(u"Check4value", u"1", 24, &field<&OptionsRecord::Check4value>),
    number(u"Checktimerval", u"0", 25, &field<&OptionsRecord::CheckTimer>),
    number(u"Closetimerval", u"0", 26, &field<&OptionsRecord::CloseTimer>),
    number(u"Timeupval", u"60", 27, &field<&OptionsRecord::TimeUp>),
    text(u"Mailerdir1", u"", 28, &element<&OptionsRecord::MailerPath, 1>),
    text(u"Mailerdir2", u"", 29, &element<&OptionsRecord::MailerPath, 2>),
    text(u"Wavdir", u"", 30, &field<&OptionsRecord::WavPath>),
    GlobalKey{
        u"Agentnm", Text, DefaultSource::WindowsDirectory, {}, 31, 0, 0, &field<&OptionsRecord::AgentPath>},
    text(u"Actkind1", u"Congratulate", 1, &element<&OptionsRecord::Actkind, 1>),
    text(u"Actkind2", u"Read", 3, &element<&OptionsRecord::Actkind, 2>),
    text(u"Actkind3", u"Nothing", 5, &element<&OptionsRecord::Actkind, 3>),
    text(u"Actkind4", u"Nothing", 7, &element<&OptionsRecord::Actkind, 4>),
    text(u"Actkind5", u"Nothing", 9, &element<&OptionsRecord::Actkind, 5>),
    text(u"Actkind6", u"Nothing", 11, &element<&OptionsRecord::Actkind, 6>),
    number(u"Talkcnt", u"10", 32, &field<&OptionsRecord::TalkCount>),
    text(u"Notstr", kNotstrDefault, 33, &field<&OptionsRecord::NotReadChars>),
    text(u"Talkstr1", kTalkstr1Default, 0, &element<&OptionsRecord::Talkstr, 1>),
    text(u"Talkstr2", kTalkstr2Default, 2, &element<&OptionsRecord::Talkstr, 2>),
    text(u"Talkstr3", kTalkstr3Default, 4, &element<&OptionsRecord::Talkstr, 3>),
    text(u"Talkstr4", kTalkstr4Default, 6, &element<&OptionsRecord::Talkstr, 4>),
    text(u"Talkstr5", kTalkstr5Default, 8, &element<&OptionsRecord::Talkstr, 5>),
    text(u"Talkstr6", kTalkstr6Default, 10, &element<&OptionsRecord::Talkstr, 6>),
    // The bars' ranges: a stored value the bar cannot show is taken as absent.
    GlobalKey{u"Volval", Int32, DefaultSource::Fixed, u"30000", 34, 0, 65535,
              &field<&OptionsRecord::VolumeValue>},
    number(u"Pitchval", u"100", 35, &field<&OptionsRecord::PitchValue>, 50, 250),
    text(u"HukifontN", kHukifontNDefault, 36, &field<&OptionsRecord::BalloonFontName>),
    // Any 16-bit size is kept, so OK writes back what was stored.
    number(u"HukifontS", u"9", 37, &field<&OptionsRecord::BalloonFontSize>),
    GlobalKey{kAgentLeftKey, Real, DefaultSource::Screen, {}, -1, 0, 0, nullptr},
    GlobalKey{kAgentTopKey, Real, DefaultSource::Screen, {}, -1, 0, 0, nullptr},
};

constexpr std::size_t kWrittenCount = std::size_t(std::count_if(
    kGlobalKeys.begin(), kGlobalKeys.end(), [](const GlobalKey& k) { return k.writtenOnOk(); }));

constexpr std::array<const GlobalKey*, kWrittenCount> saveOrder()
{
    std::array<const GlobalKey*, kWrittenCount> order{};
    for (const GlobalKey& key : kGlobalKeys) {
        if (key.writtenOnOk())
            order[std::size_t(key.savePosition)] = &key;
    }
    return order;
}

constexpr std::array kSaveOrder = saveOrder();
static_assert(std::ranges::none_of(kSaveOrder, [](const GlobalKey* key) { return key == nullptr; }),
              "every place among OK's writes belongs to exactly one key");

constexpr QStringView kAccountFieldNames[] = {u"Aname", u"Hname", u"Portno",  u"Uname",
                                              u"Passw", u"Check", u"Scolor1", u"Scolor2"};

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

QString IndexedKey(QStringView prefix, int index)
{
    return prefix.toString() + QString::number(index);
}

QString AccountKey(AccountField field, qint16 n)
{
    return IndexedKey(kAccountFieldNames[std::size_t(field)], n);
}

QStringList AccountKeys(qint16 n)
{
    QStringList keys;
    keys.reserve(std::ssize(kAccountFieldNames));
    for (QStringView field : kAccountFieldNames)
        keys.append(IndexedKey(field, n));
    return keys;
}

} // namespace settings
