#pragma once

// Every key of the store: for the global keys their name, kind, default,
// accepted range, when OK writes them and their field of the options record,
// in the order in which the options window reads them; for the account records
// the field names their keys are built from. Loading, saving and the tests all
// take these facts from here so that a name or a default is written only once.
//
// The mail checker reads the same keys, so names and defaults are an external
// interface and must not change.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>
#include <variant>

namespace Module1 {
struct AccountRecordType;
} // namespace Module1

namespace settings {

struct OptionsRecord;

enum class KeyKind {
    CheckBox,     // 16-bit, 0 = clear, 1 = ticked
    Int16,        // 16-bit signed decimal text
    AccountCount, // 16-bit, not negative; an unusable count counts the stored records
    Int32,        // 32-bit signed decimal text (Volval only)
    Text,         // stored unchanged
    Real,         // read as a real number, never written (DefLeft, DefTop)
    Password,     // an account's password, stored encoded (Password.h)
};

// What a stored number that does not convert or does not fit becomes.
enum class UnusableNumber {
    Default,   // the key's default, as if it were absent (the global keys)
    KeepField, // nothing: the record's field keeps what it held (the account keys)
};

// Where a key's default comes from. Most defaults are fixed texts; two depend
// on the machine and are worked out by the caller.
enum class DefaultSource {
    Fixed,            // defaultText below
    WindowsDirectory, // AgentnmDefault(windows directory)
    Screen,           // half the screen size in twips, minus 64
};

// When OK writes a key: the templates and their animations first, in turn
// (Talkstr1, Actkind1, Talkstr2, ...), then every other key in read order.
enum class SaveTime {
    Never,       // only read (DefLeft, DefTop)
    First,       // at firstPlace among the keys written first
    InReadOrder, // after those, in the order of the table
};

// The options record's field that holds a key's working value.
using WorkingValue = std::variant<qint16*, qint32*, QString*>;
using RecordField = WorkingValue (*)(OptionsRecord&);

struct GlobalKey
{
    QStringView name;
    KeyKind kind;
    DefaultSource source;
    QStringView defaultText; // empty unless source is Fixed
    SaveTime save;
    int firstPlace; // from 0; only for SaveTime::First
    // A stored number outside this range is taken as absent (numbers only).
    qint32 minimum;
    qint32 maximum;
    // Null for the keys that are no working value (DefLeft, DefTop).
    RecordField field;

    constexpr bool writtenOnOk() const { return save != SaveTime::Never; }
};

// The keys that code addresses one by one rather than through the table.
inline constexpr QStringView kAccountCountKey = u"accountno";
inline constexpr QStringView kAgentLeftKey = u"DefLeft";
inline constexpr QStringView kAgentTopKey = u"DefTop";

// The fields of an account record in the order SaveAccount writes them; an
// account key is the field's name followed by the account number.
enum class AccountField { Aname, Hname, Portno, Uname, Passw, Check, Scolor1, Scolor2 };

// The account record's field that holds a key's value.
using AccountRecordField = WorkingValue (*)(Module1::AccountRecordType&);

// One field of every account record, as the global keys are described above.
// The reset values of a record are its member initialisers; they agree with
// these defaults except for the password, which an absent key leaves alone.
struct AccountFieldKey
{
    AccountField field;
    QStringView name; // the key without the account number
    KeyKind kind;     // Text, Int16, Int32 or Password
    // What an absent key reads as; none for the password, whose field an
    // absent or empty value leaves as it was.
    QStringView defaultText;
    UnusableNumber unusable; // numbers only
    // Whether an empty text is stored empty; otherwise the save rule stores "0".
    bool mayBeEmpty;
    AccountRecordField value;
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
// The keys OK writes, in the order it writes them.
std::span<const GlobalKey* const> SaveOrder();

// The entry for name (compared case-sensitively), or nullptr.
const GlobalKey* FindGlobalKey(QStringView name);

// Default of Agentnm for the given Windows directory.
QString AgentnmDefault(const QString& windowsDirectory);

// Indexed keys such as "Talkstr1" or "Actkind6": prefix and decimal index, no blank.
QString IndexedKey(QStringView prefix, int index);

// The eight account fields in the order LoadAccount reads and SaveAccount writes them.
std::span<const AccountFieldKey> AccountFieldKeys();

// The save rule's test for an empty text: "Mailerdir1", "Mailerdir2", "Wavdir"
// and every key containing "Talkstr" are stored empty; every other key
// stores the number instead. The mail checker reads the stored forms, so the
// test is the documented one, by name, for any key.
bool MayBeStoredEmpty(QStringView key);

// The key of one field of account n ("Aname12").
QString AccountKey(AccountField field, qint16 n);
// The eight keys of account n, in the order SaveAccount writes them.
QStringList AccountKeys(qint16 n);

} // namespace settings
