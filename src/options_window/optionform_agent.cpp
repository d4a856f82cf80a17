// The agent preview and the reading settings: loading the character, the
// animation lists and Play buttons, the balloon font preview, the volume and
// speed bars and the popup close-timer lock.

#include "optionform.h"

#include "CommonDialogs.h"
#include "DropDownList.h"
#include "KeySchema.h"
#include "StoredNumbers.h"
#include "Twips.h"
#include "WarningBox.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <exception>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The one ID under which the window loads, looks up and unloads its character.
const QString kAgentId = u"Agent"_s;
// Entry 0 of every animation list: no animation goes with the template.
const QString kNoAnimation = u"Nothing"_s;

// Why a file that exists could not be shown as a character, in the user's words.
QString loadFailureReason(const QString& localPath)
{
    if (!QFileInfo(localPath).isReadable())
        return u"ファイルを読み込めません"_s;
    return u"エージェントのファイルではないか、ファイルが壊れています"_s;
}

} // namespace

void optionform::SetAgent()
{
    agent::CharacterCollection& characters = Agent1.Characters();
    const QString localPath = Module1::ToLocalPath(Options.AgentPath);
    const bool storeReadJustNow = std::exchange(storeReadForLoad_, false);
    try {
        // A failed earlier load leaves AgentLoaded true with nothing to unload.
        if (AgentLoaded && characters.contains(kAgentId)) {
            AgentCharacter = nullptr;
            characters.Unload(kAgentId);
        }
        AgentLoaded = true;
        characters.Load(kAgentId, localPath);
        AgentCharacter = &characters(kAgentId);
        // The mail checker stores where its character stands whenever it is
        // moved, also while this window is open: place it where it is now.
        if (!storeReadJustNow)
            Module1::RefreshStore();
        AgentCharacter->setLeft(settings::AgentPosition(settings::kAgentLeftKey, controls::screenWidthTwips(),
                                                        controls::twipsPerPixelX()));
        AgentCharacter->setTop(settings::AgentPosition(settings::kAgentTopKey, controls::screenHeightTwips(),
                                                       controls::twipsPerPixelY()));
        if (opening_)
            AgentCharacter->ShowAfterFirstFrameOf(this);
        else
            AgentCharacter->Show();

        for (controls::DropDownList* list : Combo1) {
            list->hide();
            list->clear();
            list->addItem(kNoAnimation);
        }
        for (const QString& name : AgentCharacter->AnimationNames()) {
            for (controls::DropDownList* list : Combo1)
                list->addItem(name);
        }
        for (std::size_t i = 0; i < Combo1.size(); ++i) {
            controls::DropDownList* list = Combo1[i];
            for (int k = 0; k < list->count(); ++k) {
                if (list->itemText(k) == Options.Actkind[i + 1]) {
                    list->setCurrentIndex(k);
                    break;
                }
            }
            list->show();
        }
    } catch (const std::exception& error) {
        // The window goes on without a character: empty lists, harmless Play
        // buttons, and saving keeps the stored animation choices.
        if (characters.contains(kAgentId)) {
            AgentCharacter = nullptr;
            characters.Unload(kAgentId);
        }
        AgentCharacter = nullptr;
        for (controls::DropDownList* list : Combo1) {
            list->clear();
            list->show();
        }
        const auto* agentError = dynamic_cast<const agent::AgentError*>(&error);
        dialogs::showWarningWithDetails(
            this,
            u"エージェントを読み込めません\r\n"_s + Options.AgentPath + u"\r\n"_s +
                loadFailureReason(localPath) + u"\r\nエージェントを指定して下さい"_s,
            agentError ? agentError->message() : QString::fromLocal8Bit(error.what()));
    }
}

void optionform::Combo2_Click()
{
    Options.BalloonFontName = Combo2->currentText();
    QFont sample = lbl_Sample->font();
    sample.setFamily(Options.BalloonFontName);
    lbl_Sample->setFont(sample);
}

void optionform::Combo3_Click()
{
    const std::optional<qint16> size = Module1::ParseInt16(Combo3->currentText());
    if (!size || *size <= 0)
        return;
    Options.BalloonFontSize = *size;
    QFont sample = lbl_Sample->font();
    sample.setPointSize(Options.BalloonFontSize);
    lbl_Sample->setFont(sample);
}

void optionform::Command4_Click(int Index)
{
    // Every failure is ignored: no character, no selection, or an entry such
    // as "Nothing" that names no animation simply plays nothing.
    if (Index < 0 || std::size_t(Index) >= Combo1.size() || !AgentCharacter)
        return;
    const controls::DropDownList* list = Combo1[std::size_t(Index)];
    if (list->currentIndex() < 0)
        return;
    try {
        AgentCharacter->Play(list->itemText(list->currentIndex()));
    } catch (const std::exception&) {
    }
}

void optionform::option1_Click()
{
    if (!option1->isChecked())
        timerbox2->setText(u"0"_s);
    timerbox2->setEnabled(option1->isChecked());
}

void optionform::scr_Pitch_Change()
{
    Options.PitchValue = qint16(scr_Pitch->value());
}

void optionform::scr_Vol_Change()
{
    txt_Vol->setText(QString::number(qint32(scr_Vol->value()) + 32768));
    Options.VolumeValue = Module1::ParseInt32(txt_Vol->text()).value_or(Options.VolumeValue);
}
