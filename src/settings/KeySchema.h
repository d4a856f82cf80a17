#pragma once

// Every global key of the store: its name, kind and default, in the order in
// which the options window reads them. Loading, saving and the tests all take
// these facts from here so that a name or a default is written only once.
//
// The mail checker reads the same keys, so names and defaults are an external
// interface and must not change.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

namespace quorvix::settings {

enum class KeyKind {
    CheckBox, // 16-bit, 0 = clear, 1 = ticked
    Int16,    // 16-bit signed decimal text
    Int32,    // 32-bit signed decimal text (Volval only)
    Text,     // stored unchanged
    Real,     // read as a real number, never written (DefLeft, DefTop)
};

// Where a key's default comes from. Most defaults are fixed texts; two depend
// on the machine and are worked out by the caller.
enum class DefaultSource {
    Fixed,            // defaultText below
    WindowsDirectory, // AgentnmDefault(windows directory)
    Screen,           // half the screen size in twips, minus 64
};

struct GlobalKey
{
    QStringView name;
    KeyKind kind;
    DefaultSource source;
    QStringView defaultText; // empty unless source is Fixed
    bool writtenOnOk;        // false for the two keys the program only reads
};

// Default of Notstr: characters never shown or read aloud (152 characters).
inline constexpr QStringView kNotstrDefault =
    u"┌┐┘└├┬┤┴┼━┃┏┛┓┗┣┳┫┻╋┠┯┨┷┿┝┰┥┸╂―‐／＼～∥｜…‥（）〔〕［］｛｝〈〉《》「」『』【】＋－±×÷＝＜＞≦≧∞∴♂♀℃￥＄"
    u"￠￡％＃＆＊＠§☆★○●◎◇◆□■△▲▽▼※〒→←↑↓〓∈∋⊆⊇⊂⊃∪∩∧∨⇒⇔∀∃∠⊥⌒∂∇≡≒≪≫√∽∝∵∫∬Å‰♯♭♪†‡¶◯#$%&(){}[]<>";

inline constexpr QStringView kTalkstr1Default = u"全部で@1通のメールが届いています";
inline constexpr QStringView kTalkstr2Default = u"@2へのメール@3通目";
inline constexpr QStringView kTalkstr3Default = u"差出人 @4";
inline constexpr QStringView kTalkstr4Default = u"件名 @5";
inline constexpr QStringView kTalkstr5Default = u"@6";
inline constexpr QStringView kTalkstr6Default = u"以上です";

inline constexpr QStringView kHukifontNDefault = u"ＭＳ Ｐゴシック";

// Appended to the Windows directory as it is, without adding or removing a separator.
inline constexpr QStringView kAgentFileSuffix = u"\\Msagent\\chars\\Pipwren.acs";

// All global keys in read order (accountno first, DefTop last).
std::span<const GlobalKey> GlobalKeys();

// The entry for name (compared case-sensitively), or nullptr.
const GlobalKey* FindGlobalKey(QStringView name);

// Default of Agentnm for the given Windows directory.
QString AgentnmDefault(const QString& windowsDirectory);

// Indexed keys such as "Talkstr1" or "Actkind6": prefix and decimal index, no blank.
QString IndexedKey(QStringView prefix, int index);

// The eight keys of account n, in the order SaveAccount writes them.
QStringList AccountKeys(qint16 n);

} // namespace quorvix::settings
