// Saving the options on OK, and the two ways out of the window.
//
// The mail checker reads the same keys, and the order of the writes (the
// key table's save order) is the order in which it may see them change. Every
// typed number is checked before the first write, so a bad one leaves the
// store untouched; the store layer's StoreOptions writes and syncs once, and
// only a save that succeeded ends the window.

#include "optionform.h"

#include "DropDownList.h"
#include "KeySchema.h"
#include "StoreRefusalBox.h"
#include "WarningBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct TypedNumberField
{
    QLineEdit* box;
    // What the user calls the field, for the message.
    QString caption;
};

struct TypedTextField
{
    QLineEdit* box;
    const QLabel* label; // its caption names the field in the message
    const QString* text; // the record's field it is written from
};

QString captionOf(const QLabel* label)
{
    QString caption = label->text();
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}

// Brings the page with field to the front and puts the cursor in it.
void focusField(QTabWidget* pages, QLineEdit* field)
{
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->widget(i)->isAncestorOf(field))
            pages->setCurrentIndex(i);
    }
    field->setFocus();
    field->selectAll();
}

qint16 checkValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

// The field of a refused text, found through the record field the text was
// taken from, so the window needs no key names: it names the field and puts
// the cursor there. False when the key is no field of the window.
bool refuseText(optionform& f, settings::OptionsRecord& written, const QString& key)
{
    const settings::GlobalKey* refused = settings::FindGlobalKey(key);
    if (!refused || !refused->field)
        return false;
    const settings::WorkingValue field = refused->field(written);
    std::vector<TypedTextField> fields = {
        {f.AgentBox, f.Label9, &written.AgentPath},
        {f.Notstrbox, f.Label12, &written.NotReadChars},
        {f.Wavbox, f.Label7, &written.WavPath},
        {f.Mailerbox[1], f.Label5[0], &written.MailerPath[1]},
        {f.Mailerbox[2], f.Label5[1], &written.MailerPath[2]},
    };
    const std::size_t templateLabels[6] = {0, 1, 3, 5, 6, 7};
    for (std::size_t i = 1; i <= 6; ++i)
        fields.push_back({f.Text1[i - 1], f.Label13[templateLabels[i - 1]], &written.Talkstr[i]});
    for (const TypedTextField& typed : fields) {
        if (std::holds_alternative<QString*>(field) && std::get<QString*>(field) == typed.text) {
            dialogs::showWarning(&f, captionOf(typed.label) + u"には改行やNUL文字を入力できません"_s);
            focusField(f.SSTab1, typed.box);
            return true;
        }
    }
    return false;
}

} // namespace

bool optionform::saveOptions()
{
    // Every typed number first: a bad one names its field and nothing is written.
    const TypedNumberField typedNumbers[] = {
        {timerbox1, u"ﾒｰﾙﾁｪｯｸの間隔(分)"_s},
        {timerbox2, u"ﾎﾟｯﾌﾟｱｯﾌﾟを閉じるまでの秒数"_s},
        {timerbox3, u"ﾀｲﾑｱｯﾌﾟ(秒)"_s},
        {talkcntbox, u"読み上げ行数"_s},
    };
    for (const TypedNumberField& field : typedNumbers) {
        if (!Module1::ParseInt16(field.box->text())) {
            dialogs::showWarning(this,
                                 field.caption + u"には -32768 から 32767 までの整数を入力して下さい"_s);
            focusField(SSTab1, field.box);
            return false;
        }
    }
    auto typed = [](const QLineEdit* box) { return Module1::ParseInt16(box->text()).value_or(0); };

    // 1-8. Refresh the working values from their controls.
    Options.Option1value = checkValue(option1);
    Options.Option2value = checkValue(option2);
    Options.Option3value = checkValue(option3);
    Options.Option4index = checkValue(option4);
    Options.Option5value = checkValue(option5);
    Options.Check5value = checkValue(Check5);
    Options.Option8value = checkValue(option8);
    Options.Option9value = checkValue(option9);
    Options.Check1value = checkValue(Check1);
    Options.Check2value = checkValue(Check2);
    Options.Check3value = checkValue(Check3);
    Options.Check4value = checkValue(Check4);
    Options.CheckTimer = typed(timerbox1);
    Options.CloseTimer = typed(timerbox2);
    Options.TimeUp = typed(timerbox3);
    Options.AgentPath = AgentBox->text();
    Options.TalkCount = typed(talkcntbox);
    Options.NotReadChars = Notstrbox->text();
    for (std::size_t i = 1; i <= 6; ++i)
        Options.Talkstr[i] = Text1[i - 1]->text();
    Options.MailerPath[1] = Mailerbox[1]->text();
    Options.MailerPath[2] = Mailerbox[2]->text();
    Options.VolumeValue = Module1::ParseInt32(txt_Vol->text()).value_or(Options.VolumeValue);

    // 9-19. The rest is written straight from the window and the account
    // list, without becoming a working value: the animations as selected, the
    // sound file as typed and the count as the list keeps it. Without a
    // character the animation lists are empty through no choice of the
    // user's, so the stored choices are kept rather than wiped to "0".
    settings::OptionsRecord written = Options;
    written.WavPath = Wavbox->text();
    if (AgentCharacter) {
        for (std::size_t i = 1; i <= 6; ++i) {
            const controls::DropDownList* list = Combo1[i - 1];
            written.Actkind[i] = list->currentIndex() >= 0 ? list->itemText(list->currentIndex()) : QString();
        }
    }
    const Module1::StoreOutcome outcome = Module1::StoreOptions(written);
    if (outcome)
        return true;
    if (!refuseText(*this, written, outcome.unstorableKey)) {
        dialogs::showStoreRefusal(this, u"設定を保存できませんでした\r\n"_s + Module1::StoreFilePath(),
                                  outcome.problem);
    }
    return false;
}

void optionform::savedata()
{
    saveOptions();
}

void optionform::OkBt_Click()
{
    if (saveOptions())
        endProgram();
}

void optionform::CancelBt_Click()
{
    endProgram();
}
