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
#include "StoreRefusalBox.h"
#include "WarningBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {

constexpr int kNarrowColumnTwips = 4700; // leaves room for the vertical scroll bar
constexpr int kWideColumnTwips = 4960;
constexpr int kCheckColumnTwips = 320;
constexpr qint16 kRowsWithoutScrollBar = 18;

// The busy pointer for as long as the window loads.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

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
    if (const settings::StoreProblem problem = Module1::StoreReadProblem(); problem.isProblem()) {
        dialogs::showStoreRefusal(owner, u"設定を読み込めませんでした\r\n"_s + Module1::StoreFilePath(),
                                  problem, u"既定の設定で表示します"_s);
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
    // Every key in the store's read order; the steps below move the values
    // to the controls in the order the handlers need.
    Options = settings::ReadOptions(Module1::WindowsDirectory());

    // 1-2. The account list, one row per stored account, in the account's colours.
    Module1::AccountCount = Options.AccountCount;
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

    // 3-7 are read above: the switches, timers, paths, the character file and
    // the animation chosen for each template.

    // 8. The character, when its file is there.
    const QString agentFile = Module1::ToLocalPath(Options.AgentPath);
    if (!agentFile.isEmpty() && QFileInfo(agentFile).isFile()) {
        AgentLoaded = false;
        storeReadForLoad_ = true;
        SetAgent();
    } else {
        dialogs::showWarning(this, u"エージェントが見つかりません\r\nエージェントを指定して下さい"_s);
    }

    // 9 is read above: templates and the characters never read.

    // 10. The check boxes; option1's handler locks timerbox2 when the popup is off.
    setCheckValue(option1, Options.Option1value);
    setCheckValue(option2, Options.Option2value);
    setCheckValue(option3, Options.Option3value);
    setCheckValue(option4, Options.Option4index);
    setCheckValue(option5, Options.Option5value);
    setCheckValue(Check5, Options.Check5value);
    setCheckValue(option8, Options.Option8value);
    setCheckValue(option9, Options.Option9value);
    setCheckValue(Check1, Options.Check1value);
    setCheckValue(Check2, Options.Check2value);
    setCheckValue(Check3, Options.Check3value);
    setCheckValue(Check4, Options.Check4value);

    // 11. The texts.
    timerbox1->setText(QString::number(Options.CheckTimer));
    timerbox2->setText(QString::number(Options.CloseTimer));
    timerbox3->setText(QString::number(Options.TimeUp));
    Mailerbox[1]->setText(Options.MailerPath[1]);
    Mailerbox[2]->setText(Options.MailerPath[2]);
    Wavbox->setText(Options.WavPath);
    AgentBox->setText(Options.AgentPath);
    talkcntbox->setText(QString::number(Options.TalkCount));
    Notstrbox->setText(Options.NotReadChars);
    for (std::size_t i = 1; i <= 6; ++i)
        Text1[i - 1]->setText(Options.Talkstr[i]);
    // A filled box shows the beginning of its text (the drive and folder of
    // a long path, the first characters of the list), not its end.
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setCursorPosition(0);

    // 12-13. Volume and speed; the bars' handlers run as they move.
    txt_Vol->setText(QString::number(Options.VolumeValue));
    scr_Vol->setValue(int(Module1::ParseInt32(txt_Vol->text()).value_or(Options.VolumeValue)) - 32768);
    scr_Pitch->setValue(Options.PitchValue);

    // 14. The balloon font names; vertical-writing faces ("@" names) are left out.
    Combo2->clear();
    Combo2->hide();
    QStringList fontNames = QFontDatabase::families();
    fontNames.removeIf([](const QString& name) { return name.startsWith(u'@'); });
    Combo2->addItems(fontNames);
    for (int k = 0; k < Combo2->count(); ++k) {
        if (Combo2->itemText(k) == Options.BalloonFontName) {
            Combo2->setCurrentIndex(k);
            break;
        }
    }
    Combo2->show();

    // 15. The balloon font size, when it is one of the listed sizes.
    Combo3->hide();
    for (int k = 0; k < Combo3->count(); ++k) {
        if (Module1::ParseInt16(Combo3->itemText(k)) == Options.BalloonFontSize) {
            Combo3->setCurrentIndex(k);
            break;
        }
    }
    Combo3->show();

    // 16. The sample takes the stored font even when no listed item matched
    // it; a size of 0 or below cannot be drawn, so the sample keeps its own.
    QFont sample = lbl_Sample->font();
    sample.setFamily(Options.BalloonFontName);
    if (Options.BalloonFontSize > 0)
        sample.setPointSize(Options.BalloonFontSize);
    lbl_Sample->setFont(sample);
}
