#include "KeySchema.h"

#include <array>

namespace quorvix::settings {

namespace {

using enum KeyKind;

constexpr GlobalKey fixed(QStringView name, KeyKind kind, QStringView defaultText)
{
    return {name, kind, DefaultSource::Fixed, defaultText, true};
}

constexpr std::array kGlobalKeys{
    fixed(u"accountno", Int16, u"0"),
    fixed(u"Option1value", CheckBox, u"1"),
    fixed(u"Option2value", CheckBox, u"1"),
    fixed(u"Option3value", CheckBox, u"1"),
    fixed(u"Option4index", CheckBox, u"1"),
    fixed(u"Option5value", CheckBox, u"0"),
    fixed(u"Check5value", CheckBox, u"1"),
    fixed(u"Option8value", CheckBox, u"1"),
    fixed(u"Option9value", CheckBox, u"1"),
    fixed(u"Check1value", CheckBox, u"1"),
    fixed(u"Check2value", CheckBox, u"1"),
    fixed(u"Check3value", CheckBox, u"1"),
    fixed(u"Check4value", CheckBox, u"1"),
    fixed(u"Checktimerval", Int16, u"0"),
    fixed(u"Closetimerval", Int16, u"0"),
    fixed(u"Timeupval", Int16, u"60"),
    fixed(u"Mailerdir1", Text, u""),
    fixed(u"Mailerdir2", Text, u""),
    fixed(u"Wavdir", Text, u""),
    GlobalKey{u"Agentnm", Text, DefaultSource::WindowsDirectory, {}, true},
    fixed(u"Actkind1", Text, u"Congratulate"),
    fixed(u"Actkind2", Text, u"Read"),
    fixed(u"Actkind3", Text, u"Nothing"),
    fixed(u"Actkind4", Text, u"Nothing"),
    fixed(u"Actkind5", Text, u"Nothing"),
    fixed(u"Actkind6", Text, u"Nothing"),
    fixed(u"Talkcnt", Int16, u"10"),
    fixed(u"Notstr", Text, kNotstrDefault),
    fixed(u"Talkstr1", Text, kTalkstr1Default),
    fixed(u"Talkstr2", Text, kTalkstr2Default),
    fixed(u"Talkstr3", Text, kTalkstr3Default),
    fixed(u"Talkstr4", Text, kTalkstr4Default),
    fixed(u"Talkstr5", Text, kTalkstr5Default),
    fixed(u"Talkstr6", Text, kTalkstr6Default),
    fixed(u"Volval", Int32, u"30000"),
    fixed(u"Pitchval", Int16, u"100"),
    fixed(u"HukifontN", Text, kHukifontNDefault),
    fixed(u"HukifontS", Int16, u"9"),
    GlobalKey{u"DefLeft", Real, DefaultSource::Screen, {}, false},
    GlobalKey{u"DefTop", Real, DefaultSource::Screen, {}, false},
};

} // namespace

std::span<const GlobalKey> GlobalKeys()
{
    return kGlobalKeys;
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

QStringList AccountKeys(qint16 n)
{
    static constexpr QStringView fields[] = {u"Aname", u"Hname", u"Portno",  u"Uname",
                                             u"Passw", u"Check", u"Scolor1", u"Scolor2"};
    QStringList keys;
    keys.reserve(std::size(fields));
    for (QStringView field : fields)
        keys.append(IndexedKey(field, n));
    return keys;
}

} // namespace quorvix::settings
