// Saving the options on OK, and the two ways out of the program.
//
// The mail checker reads the same keys, and the order of the writes is the
// order in which it may see them change. Every typed number is checked
// before the first write, so a bad one leaves the store untouched; the
// writes end in one sync, and only a sync that succeeded ends the program.

#include "optionform.h"

#include "DropDownList.h"
#include "KeySchema.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>

#include <vector>

using namespace Qt::StringLiterals;
using quorvix::settings::IndexedKey;

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
    QString key;
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

void warn(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, u"QuorvixLAN"_s, text, QMessageBox::Ok, owner);
    box.exec();
}

// Every typed text is one line of the store file: one with a line break or a
// NUL (unless the store holds it already) names its field and nothing is written.
bool typedTextsFitTheStore(optionform& f)
{
    std::vector<TypedTextField> fields = {
        {f.AgentBox, f.Label9, u"Agentnm"_s},
        {f.Notstrbox, f.Label12, u"Notstr"_s},
        {f.Wavbox, f.Label7, u"Wavdir"_s},
        {f.Mailerbox[1], f.Label5[0], u"Mailerdir1"_s},
        {f.Mailerbox[2], f.Label5[1], u"Mailerdir2"_s},
    };
    const std::size_t templateLabels[6] = {0, 1, 3, 5, 6, 7};
    for (int i = 1; i <= 6; ++i)
        fields.push_back(
            {f.Text1[std::size_t(i - 1)], f.Label13[templateLabels[i - 1]], IndexedKey(u"Talkstr", i)});
    for (const TypedTextField& field : fields) {
        if (!Module1::CanWriteSetting(field.key, field.box->text())) {
            warn(&f, captionOf(field.label) + u"には改行やNUL文字を入力できません"_s);
            focusField(f.SSTab1, field.box);
            return false;
        }
    }
    return true;
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
            warn(this, field.caption + u"には -32768 から 32767 までの整数を入力して下さい"_s);
            focusField(SSTab1, field.box);
            return false;
        }
    }
    auto typed = [](const QLineEdit* box) { return Module1::ParseInt16(box->text()).value_or(0); };
    if (!typedTextsFitTheStore(*this))
        return false;

    // 1-5. Refresh the working values from their controls.
    Option1value = option1->isChecked() ? 1 : 0;
    Option2value = option2->isChecked() ? 1 : 0;
    Option3value = option3->isChecked() ? 1 : 0;
    Option4index = option4->isChecked() ? 1 : 0;
    Option5value = option5->isChecked() ? 1 : 0;
    Check5value = Check5->isChecked() ? 1 : 0;
    Option8value = option8->isChecked() ? 1 : 0;
    Option9value = option9->isChecked() ? 1 : 0;
    Check1value = Check1->isChecked() ? 1 : 0;
    Check2value = Check2->isChecked() ? 1 : 0;
    Check3value = Check3->isChecked() ? 1 : 0;
    Check4value = Check4->isChecked() ? 1 : 0;
    CheckTimer = typed(timerbox1);
    CloseTimer = typed(timerbox2);
    TimeUp = typed(timerbox3);
    AgentPath = AgentBox->text();
    TalkCount = typed(talkcntbox);
    NotReadChars = Notstrbox->text();

    // 6. Templates and animations alternate. Without a character the lists
    // are empty through no choice of the user's, so the stored choices are
    // kept rather than wiped to "0".
    const bool characterShown = AgentCharacter != nullptr;
    for (int i = 1; i <= 6; ++i) {
        const auto index = std::size_t(i);
        Talkstr[index] = Text1[index - 1]->text();
        Module1::SaveValue(IndexedKey(u"Talkstr", i), 0, Talkstr[index]);
        const controls::DropDownList* list = Combo1[index - 1];
        const QString animation = !characterShown             ? Actkind[index]
                                  : list->currentIndex() >= 0 ? list->itemText(list->currentIndex())
                                                              : QString();
        Module1::SaveValue(IndexedKey(u"Actkind", i), 0, animation);
    }

    // 7-8.
    MailerPath[1] = Mailerbox[1]->text();
    MailerPath[2] = Mailerbox[2]->text();
    VolumeValue = Module1::ParseInt32(txt_Vol->text()).value_or(VolumeValue);

    // 9-19.
    Module1::SaveValue(u"accountno"_s, Module1::AccountCount, QString());
    Module1::SaveValue(u"Option1value"_s, Option1value, QString());
    Module1::SaveValue(u"Option2value"_s, Option2value, QString());
    Module1::SaveValue(u"Option3value"_s, Option3value, QString());
    Module1::SaveValue(u"Option4index"_s, Option4index, QString());
    Module1::SaveValue(u"Option5value"_s, Option5value, QString());
    Module1::SaveValue(u"Check5value"_s, Check5value, QString());
    Module1::SaveValue(u"Option8value"_s, Option8value, QString());
    Module1::SaveValue(u"Option9value"_s, Option9value, QString());
    Module1::SaveValue(u"Check1value"_s, Check1value, QString());
    Module1::SaveValue(u"Check2value"_s, Check2value, QString());
    Module1::SaveValue(u"Check3value"_s, Check3value, QString());
    Module1::SaveValue(u"Check4value"_s, Check4value, QString());
    Module1::SaveValue(u"Checktimerval"_s, typed(timerbox1), QString());
    Module1::SaveValue(u"Closetimerval"_s, typed(timerbox2), QString());
    Module1::SaveValue(u"Timeupval"_s, typed(timerbox3), QString());
    Module1::SaveValue(u"Mailerdir1"_s, 0, Mailerbox[1]->text());
    Module1::SaveValue(u"Mailerdir2"_s, 0, Mailerbox[2]->text());
    Module1::SaveValue(u"Wavdir"_s, 0, Wavbox->text());
    Module1::SaveValue(u"Agentnm"_s, 0, AgentPath);
    Module1::SaveValue(u"Talkcnt"_s, TalkCount, QString());
    Module1::SaveValue(u"Notstr"_s, 0, NotReadChars);
    Module1::WriteSetting(u"Volval"_s, QString::number(VolumeValue));
    Module1::SaveValue(u"Pitchval"_s, PitchValue, QString());
    Module1::SaveValue(u"HukifontN"_s, 0, BalloonFontName);
    Module1::SaveValue(u"HukifontS"_s, BalloonFontSize, QString());

    QString reason;
    if (!Module1::SyncSettings(&reason)) {
        warn(this, u"設定を保存できませんでした\r\n"_s + Module1::StoreFilePath() + u"\r\n("_s + reason +
                       u")\r\n保存先に書き込めるか確認して下さい"_s);
        return false;
    }
    return true;
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
