// The table of global keys: order, kinds and defaults as the mail checker
// expects them, and the Notstr default character by character.

#include "Cp932.h"
#include "KeySchema.h"
#include "TestMain.h"

#include <QStringList>

using namespace settings;
using namespace Qt::StringLiterals;

namespace {

// Written from the code chart, not copied from the program's literal: the
// default has several characters whose look-alikes are easy to pick by mistake.
constexpr char16_t kNotstrCodePoints[] = {
    0x250C, 0x2510, 0x2518, 0x2514, 0x251C, 0x252C, 0x2524, 0x2534, 0x253C, 0x2501, // ┌┐┘└├┬┤┴┼━
    0x2503, 0x250F, 0x251B, 0x2513, 0x2517, 0x2523, 0x2533, 0x252B, 0x253B, 0x254B, // ┃┏┛┓┗┣┳┫┻╋
    0x2520, 0x252F, 0x2528, 0x2537, 0x253F, 0x251D, 0x2530, 0x2525, 0x2538, 0x2542, // ┠┯┨┷┿┝┰┥┸╂
    0x2015, 0x2010, 0xFF0F, 0xFF3C, 0xFF5E, 0x2225, 0xFF5C, 0x2026, 0x2025, 0xFF08, // ―‐／＼～∥｜…‥（
    0xFF09, 0x3014, 0x3015, 0xFF3B, 0xFF3D, 0xFF5B, 0xFF5D, 0x3008, 0x3009, 0x300A, // ）〔〕［］｛｝〈〉《
    0x300B, 0x300C, 0x300D, 0x300E, 0x300F, 0x3010, 0x3011, 0xFF0B, 0xFF0D, 0x00B1, // 》「」『』【】＋－±
    0x00D7, 0x00F7, 0xFF1D, 0xFF1C, 0xFF1E, 0x2266, 0x2267, 0x221E, 0x2234, 0x2642, // ×÷＝＜＞≦≧∞∴♂
    0x2640, 0x2103, 0xFFE5, 0xFF04, 0xFFE0, 0xFFE1, 0xFF05, 0xFF03, 0xFF06, 0xFF0A, // ♀℃￥＄￠￡％＃＆＊
    0xFF20, 0x00A7, 0x2606, 0x2605, 0x25CB, 0x25CF, 0x25CE, 0x25C7, 0x25C6, 0x25A1, // ＠§☆★○●◎◇◆□
    0x25A0, 0x25B3, 0x25B2, 0x25BD, 0x25BC, 0x203B, 0x3012, 0x2192, 0x2190, 0x2191, // ■△▲▽▼※〒→←↑
    0x2193, 0x3013, 0x2208, 0x220B, 0x2286, 0x2287, 0x2282, 0x2283, 0x222A, 0x2229, // ↓〓∈∋⊆⊇⊂⊃∪∩
    0x2227, 0x2228, 0x21D2, 0x21D4, 0x2200, 0x2203, 0x2220, 0x22A5, 0x2312, 0x2202, // ∧∨⇒⇔∀∃∠⊥⌒∂
    0x2207, 0x2261, 0x2252, 0x226A, 0x226B, 0x221A, 0x223D, 0x221D, 0x2235, 0x222B, // ∇≡≒≪≫√∽∝∵∫
    0x222C, 0x212B, 0x2030, 0x266F, 0x266D, 0x266A, 0x2020, 0x2021, 0x00B6, 0x25EF, // ∬Å‰♯♭♪†‡¶◯
    0x0023, 0x0024, 0x0025, 0x0026, 0x0028, 0x0029, 0x007B, 0x007D, 0x005B, 0x005D, // #$%&(){}[]
    0x003C, 0x003E,                                                                 // <>
};

QString defaultOf(QStringView name)
{
    const GlobalKey* key = FindGlobalKey(name);
    return key ? key->defaultText.toString() : u"<missing>"_s;
}

} // namespace

class KeySchemaTest : public QObject
{
    Q_OBJECT

private slots:
    void keysAreInReadOrder()
    {
        QStringList names;
        for (const GlobalKey& key : GlobalKeys())
            names << key.name.toString();
        const QStringList expected = {
            u"accountno"_s,    u"Option1value"_s, u"Option2value"_s, u"Option3value"_s,  u"Option4index"_s,
            u"Option5value"_s, u"Check5value"_s,  u"Option8value"_s, u"Option9value"_s,  u"Check1value"_s,
            u"Check2value"_s,  u"Check3value"_s,  u"Check4value"_s,  u"Checktimerval"_s, u"Closetimerval"_s,
            u"Timeupval"_s,    u"Mailerdir1"_s,   u"Mailerdir2"_s,   u"Wavdir"_s,        u"Agentnm"_s,
            u"Actkind1"_s,     u"Actkind2"_s,     u"Actkind3"_s,     u"Actkind4"_s,      u"Actkind5"_s,
            u"Actkind6"_s,     u"Talkcnt"_s,      u"Notstr"_s,       u"Talkstr1"_s,      u"Talkstr2"_s,
            u"Talkstr3"_s,     u"Talkstr4"_s,     u"Talkstr5"_s,     u"Talkstr6"_s,      u"Volval"_s,
            u"Pitchval"_s,     u"HukifontN"_s,    u"HukifontS"_s,    u"DefLeft"_s,       u"DefTop"_s,
        };
        QCOMPARE(names, expected);
    }

    // OK begins with the templates and their animations in turn; Volval is
    // the one key written past the save rule.
    void keysAreInSaveOrder()
    {
        QStringList names;
        for (const GlobalKey* key : SaveOrder())
            names << key->name.toString();
        const QStringList expected = {
            u"Talkstr1"_s,      u"Actkind1"_s,      u"Talkstr2"_s,     u"Actkind2"_s,     u"Talkstr3"_s,
            u"Actkind3"_s,      u"Talkstr4"_s,      u"Actkind4"_s,     u"Talkstr5"_s,     u"Actkind5"_s,
            u"Talkstr6"_s,      u"Actkind6"_s,      u"accountno"_s,    u"Option1value"_s, u"Option2value"_s,
            u"Option3value"_s,  u"Option4index"_s,  u"Option5value"_s, u"Check5value"_s,  u"Option8value"_s,
            u"Option9value"_s,  u"Check1value"_s,   u"Check2value"_s,  u"Check3value"_s,  u"Check4value"_s,
            u"Checktimerval"_s, u"Closetimerval"_s, u"Timeupval"_s,    u"Mailerdir1"_s,   u"Mailerdir2"_s,
            u"Wavdir"_s,        u"Agentnm"_s,       u"Talkcnt"_s,      u"Notstr"_s,       u"Volval"_s,
            u"Pitchval"_s,      u"HukifontN"_s,     u"HukifontS"_s};
        QCOMPARE(names, expected);
    }

    void kindsAndFixedDefaults()
    {
        const struct
        {
            QStringView name;
            KeyKind kind;
            QStringView defaultText;
        } cases[] = {
            {u"accountno", KeyKind::AccountCount, u"0"},
            {u"Option1value", KeyKind::CheckBox, u"1"},
            {u"Option5value", KeyKind::CheckBox, u"0"},
            {u"Check4value", KeyKind::CheckBox, u"1"},
            {u"Checktimerval", KeyKind::Int16, u"0"},
            {u"Closetimerval", KeyKind::Int16, u"0"},
            {u"Timeupval", KeyKind::Int16, u"60"},
            {u"Mailerdir1", KeyKind::Text, u""},
            {u"Wavdir", KeyKind::Text, u""},
            {u"Actkind1", KeyKind::Text, u"Congratulate"},
            {u"Actkind2", KeyKind::Text, u"Read"},
            {u"Actkind3", KeyKind::Text, u"Nothing"},
            {u"Actkind6", KeyKind::Text, u"Nothing"},
            {u"Talkcnt", KeyKind::Int16, u"10"},
            {u"Volval", KeyKind::Int32, u"30000"},
            {u"Pitchval", KeyKind::Int16, u"100"},
            {u"HukifontS", KeyKind::Int16, u"9"},
            {u"Talkstr5", KeyKind::Text, u"@6"},
        };
        for (const auto& c : cases) {
            const GlobalKey* key = FindGlobalKey(c.name);
            QVERIFY2(key, qPrintable(c.name.toString()));
            QCOMPARE(int(key->kind), int(c.kind));
            QCOMPARE(key->source, DefaultSource::Fixed);
            QCOMPARE(key->defaultText, c.defaultText);
            QVERIFY(key->writtenOnOk());
        }
        QVERIFY(!FindGlobalKey(u"mailerdir1")); // names are case-sensitive
    }

    void machineDependentDefaults()
    {
        QCOMPARE(FindGlobalKey(u"Agentnm")->source, DefaultSource::WindowsDirectory);
        QCOMPARE(AgentnmDefault(u"C:\\WINDOWS"_s), u"C:\\WINDOWS\\Msagent\\chars\\Pipwren.acs"_s);
        QCOMPARE(AgentnmDefault(u"/usr/share/x/"_s), u"/usr/share/x/\\Msagent\\chars\\Pipwren.acs"_s);
        for (QStringView name : {u"DefLeft", u"DefTop"}) {
            const GlobalKey* key = FindGlobalKey(name);
            QCOMPARE(key->source, DefaultSource::Screen);
            QCOMPARE(key->kind, KeyKind::Real);
            QVERIFY(!key->writtenOnOk());
        }
    }

    void notstrDefaultCodePointByCodePoint()
    {
        const QStringView actual = kNotstrDefault;
        QCOMPARE(actual.size(), qsizetype(std::size(kNotstrCodePoints)));
        QCOMPARE(actual.size(), 152);
        for (qsizetype i = 0; i < actual.size(); ++i) {
            if (actual[i].unicode() != kNotstrCodePoints[i])
                QFAIL(qPrintable(u"position %1: U+%2, expected U+%3"_s.arg(i)
                                     .arg(actual[i].unicode(), 4, 16, QChar(u'0'))
                                     .arg(int(kNotstrCodePoints[i]), 4, 16, QChar(u'0'))));
        }
    }

    // The middle part is the code page's symbol rows in code order, so every
    // character must exist in code page 932 with a code above its predecessor's.
    void notstrSymbolsFollowCodePageOrder()
    {
        const QStringView symbols = kNotstrDefault.mid(30, 152 - 30 - 12);
        int previous = 0;
        for (QChar c : symbols) {
            const auto code = settings::cp932::FromUnicode(c.unicode());
            QVERIFY2(code, qPrintable(QString(c)));
            QVERIFY2(*code > previous, qPrintable(QString(c)));
            previous = *code;
        }
        for (QChar c : kNotstrDefault.first(30))
            QVERIFY(c.unicode() >= 0x2500 && c.unicode() <= 0x257F);
        QCOMPARE(kNotstrDefault.last(12), u"#$%&(){}[]<>");
    }

    void talkTemplateDefaults()
    {
        QCOMPARE(defaultOf(u"Talkstr1"), u"全部で@1通のメールが届いています"_s);
        QCOMPARE(defaultOf(u"Talkstr2"), u"@2へのメール@3通目"_s);
        QCOMPARE(defaultOf(u"Talkstr3"), u"差出人 @4"_s);
        QCOMPARE(defaultOf(u"Talkstr4"), u"件名 @5"_s);
        QCOMPARE(defaultOf(u"Talkstr5"), u"@6"_s);
        QCOMPARE(defaultOf(u"Talkstr6"), u"以上です"_s);
        QCOMPARE(defaultOf(u"Talkstr3").at(3), QChar(u' ')); // an ASCII blank, not U+3000
        QCOMPARE(defaultOf(u"HukifontN"), u"ＭＳ Ｐゴシック"_s);
        QCOMPARE(IndexedKey(u"Talkstr", 6), u"Talkstr6"_s);
    }

    // The account fields as the mail checker stores them: read and write
    // order, key names, kinds and what an absent key reads as. An unusable
    // number keeps the field, and no account text is stored empty.
    void accountFieldsAsStored()
    {
        struct Expected
        {
            QStringView name;
            KeyKind kind;
            QStringView defaultText;
        };
        const Expected expected[] = {
            {u"Aname", KeyKind::Text, u""},      {u"Hname", KeyKind::Text, u""},
            {u"Portno", KeyKind::Int16, u"110"}, {u"Uname", KeyKind::Text, u""},
            {u"Passw", KeyKind::Password, u""},  {u"Check", KeyKind::Int16, u"1"},
            {u"Scolor1", KeyKind::Int32, u"0"},  {u"Scolor2", KeyKind::Int32, u"16777088"},
        };
        const std::span<const AccountFieldKey> table = AccountFieldKeys();
        QCOMPARE(table.size(), std::size(expected));
        for (std::size_t i = 0; i < table.size(); ++i) {
            QCOMPARE(table[i].name, expected[i].name);
            QCOMPARE(table[i].kind, expected[i].kind);
            QCOMPARE(table[i].defaultText, expected[i].defaultText);
            QCOMPARE(table[i].unusable, UnusableNumber::KeepField);
            QCOMPARE(table[i].mayBeEmpty, MayBeStoredEmpty(AccountKey(table[i].field, 12)));
            QVERIFY(!table[i].mayBeEmpty);
            QCOMPARE(AccountKey(table[i].field, 12), expected[i].name.toString() + u"12"_s);
        }
    }
};

QUORVIX_TEST_MAIN_CORE(KeySchemaTest)
#include "tst_keyschema.moc"
