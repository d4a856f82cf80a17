// Loading every option into the window before it is first shown.
//
// The order of the steps matters: setting a control from code runs its
// handler at once, so option1 is set before timerbox2 gets its text (the
// popup-off lock would otherwise wipe the stored close time), and the bars
// are set after txt_Vol so that their handlers see the loaded numbers.

#include "optionform.h"

#include "AccountRows.h"
#include "CommonDialogs.h"
#include "DropDownList.h"
#include "FlexGrid.h"
#include "KeySchema.h"
#include "StoredNumbers.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>

using namespace Qt::StringLiterals;
using quorvix::options::readStoredAccountCount;
using quorvix::options::readStoredInt16;
using quorvix::options::readStoredInt32;
namespace settings = quorvix::settings;

namespace {

constexpr int kNarrowColumnTwips = 4700; // leaves room for the vertical scroll bar
constexpr int kWideColumnTwips = 4960;
constexpr int kCheckColumnTwips = 320;
constexpr qint16 kRowsWithoutScrollBar = 18;

// The bars' ranges; a stored value outside them is taken as absent.
constexpr qint32 kVolumeMin = 0;
constexpr qint32 kVolumeMax = 65535;
constexpr qint16 kPitchMin = 50;
constexpr qint16 kPitchMax = 250;

// The busy pointer for as long as the window loads.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

QString readText(QStringView key)
{
    return Module1::ReadSetting(key.toString(), quorvix::options::keyDefault(key));
}

// A check box holds 0 or 1; anything else is taken as absent.
qint16 readCheckBoxValue(QStringView key)
{
    return readStoredInt16(key, 0, 1);
}

// Ticks or clears a box the way the old check boxes took a value: the box's
// handler runs only when the value really changes.
void setCheckValue(QCheckBox* box, qint16 value)
{
    box->setChecked(value != 0);
}

// A store that exists but could not be read is named before the window
// opens on defaults; OK will say that it cannot save there.
void warnOfAnUnreadStore(QWidget* owner)
{
    if (const QString problem = Module1::StoreReadProblem(); !problem.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, u"QuorvixLAN"_s,
                        u"設定を読み込めませんでした\r\n"_s + Module1::StoreFilePath() + u"\r\n("_s +
                            problem + u")\r\n既定の設定で表示します。このﾌｧｲﾙには保存できません"_s,
                        QMessageBox::Ok, owner);
        box.exec();
    }
}

} // namespace

void optionform::Form_Load()
{
    warnOfAnUnreadStore(this);
    const BusyPointer busy;
    loaddata();
    accountList->setColWidth(0, Module1::AccountCount <= kRowsWithoutScrollBar ? kWideColumnTwips
                                                                               : kNarrowColumnTwips);
    accountList->setColWidth(1, kCheckColumnTwips);
    updateAddButton();
}

void optionform::loaddata()
{
    // 1-2. The account list, one row per stored account, in the account's colours.
    Module1::AccountCount = readStoredAccountCount();
    if (Module1::AccountCount != 0) {
        accountList->hide();
        // A wider counter: a 16-bit one could never pass the largest count, 32767.
        for (int n = 1; n <= Module1::AccountCount; ++n) {
            Module1::ResetAccount();
            Module1::LoadAccount(qint16(n));
            accounts::appendAccountRow(*accountList, Module1::AccountRecord);
        }
        accountList->show();
    }

    // 3. The switches.
    Option1value = readCheckBoxValue(u"Option1value");
    Option2value = readCheckBoxValue(u"Option2value");
    Option3value = readCheckBoxValue(u"Option3value");
    Option4index = readCheckBoxValue(u"Option4index");
    Option5value = readCheckBoxValue(u"Option5value");
    Check5value = readCheckBoxValue(u"Check5value");
    Option8value = readCheckBoxValue(u"Option8value");
    Option9value = readCheckBoxValue(u"Option9value");
    Check1value = readCheckBoxValue(u"Check1value");
    Check2value = readCheckBoxValue(u"Check2value");
    Check3value = readCheckBoxValue(u"Check3value");
    Check4value = readCheckBoxValue(u"Check4value");

    // 4-5. Timers and paths.
    CheckTimer = readStoredInt16(u"Checktimerval");
    CloseTimer = readStoredInt16(u"Closetimerval");
    TimeUp = readStoredInt16(u"Timeupval");
    MailerPath[1] = readText(u"Mailerdir1");
    MailerPath[2] = readText(u"Mailerdir2");
    WavPath = readText(u"Wavdir");

    // 6-7. The character file and the animation chosen for each template.
    const QString windowsDirectory = Module1::WindowsDirectory();
    AgentPath = Module1::ReadSetting(u"Agentnm"_s, settings::AgentnmDefault(windowsDirectory));
    for (int i = 1; i <= 6; ++i)
        Actkind[std::size_t(i)] = readText(settings::IndexedKey(u"Actkind", i));

    // 8. The character, when its file is there.
    const QString agentFile = Module1::ToLocalPath(AgentPath);
    if (!agentFile.isEmpty() && QFileInfo(agentFile).isFile()) {
        AgentLoaded = false;
        SetAgent();
    } else {
        QMessageBox box(QMessageBox::Warning, u"QuorvixLAN"_s,
                        u"エージェントが見つかりません\r\nエージェントを指定して下さい"_s, QMessageBox::Ok,
                        this);
        box.exec();
    }

    // 9. Templates and the characters never read.
    TalkCount = readStoredInt16(u"Talkcnt");
    NotReadChars = readText(u"Notstr");
    for (int i = 1; i <= 6; ++i)
        Talkstr[std::size_t(i)] = readText(settings::IndexedKey(u"Talkstr", i));

    // 10. The check boxes; option1's handler locks timerbox2 when the popup is off.
    setCheckValue(option1, Option1value);
    setCheckValue(option2, Option2value);
    setCheckValue(option3, Option3value);
    setCheckValue(option4, Option4index);
    setCheckValue(option5, Option5value);
    setCheckValue(Check5, Check5value);
    setCheckValue(option8, Option8value);
    setCheckValue(option9, Option9value);
    setCheckValue(Check1, Check1value);
    setCheckValue(Check2, Check2value);
    setCheckValue(Check3, Check3value);
    setCheckValue(Check4, Check4value);

    // 11. The texts.
    timerbox1->setText(QString::number(CheckTimer));
    timerbox2->setText(QString::number(CloseTimer));
    timerbox3->setText(QString::number(TimeUp));
    Mailerbox[1]->setText(MailerPath[1]);
    Mailerbox[2]->setText(MailerPath[2]);
    Wavbox->setText(WavPath);
    AgentBox->setText(AgentPath);
    talkcntbox->setText(QString::number(TalkCount));
    Notstrbox->setText(NotReadChars);
    for (std::size_t i = 1; i <= 6; ++i)
        Text1[i - 1]->setText(Talkstr[i]);
    // A filled box shows the beginning of its text (the drive and folder of
    // a long path, the first characters of the list), not its end.
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setCursorPosition(0);

    // 12-13. Volume and speed; the bars' handlers run as they move.
    VolumeValue = readStoredInt32(u"Volval", kVolumeMin, kVolumeMax);
    txt_Vol->setText(QString::number(VolumeValue));
    scr_Vol->setValue(int(Module1::ParseInt32(txt_Vol->text()).value_or(VolumeValue)) - 32768);
    PitchValue = readStoredInt16(u"Pitchval", kPitchMin, kPitchMax);
    scr_Pitch->setValue(PitchValue);

    // 14. The balloon font names; vertical-writing faces ("@" names) are left out.
    Combo2->clear();
    Combo2->hide();
    QStringList fontNames = QFontDatabase::families();
    fontNames.removeIf([](const QString& name) { return name.startsWith(u'@'); });
    Combo2->addItems(fontNames);
    BalloonFontName = readText(u"HukifontN");
    for (int k = 0; k < Combo2->count(); ++k) {
        if (Combo2->itemText(k) == BalloonFontName) {
            Combo2->setCurrentIndex(k);
            break;
        }
    }
    Combo2->show();

    // 15. The balloon font size, when it is one of the listed sizes.
    // Any 16-bit size is kept, so OK writes it back as it was stored.
    BalloonFontSize = readStoredInt16(u"HukifontS");
    Combo3->hide();
    for (int k = 0; k < Combo3->count(); ++k) {
        if (Module1::ParseInt16(Combo3->itemText(k)) == BalloonFontSize) {
            Combo3->setCurrentIndex(k);
            break;
        }
    }
    Combo3->show();

    // 16. The sample takes the stored font even when no listed item matched
    // it; a size of 0 or below cannot be drawn, so the sample keeps its own.
    QFont sample = lbl_Sample->font();
    sample.setFamily(BalloonFontName);
    if (BalloonFontSize > 0)
        sample.setPointSize(BalloonFontSize);
    lbl_Sample->setFont(sample);
}
