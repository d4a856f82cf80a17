#pragma once

// The options window: the program's start-up window with its four pages.
//
// Every control carries the name the program's documentation uses for it,
// both as the member below and as its objectName (array elements as
// "Name(index)"). Control arrays keep their indexes, gaps included, so the
// unused slots of Label5, Label13, Mailerbox and RefBt stay nullptr.
//
// The handlers are public slots so that tests can call them directly. They
// are connected to the value-changed signals, so setting a control's value
// from code runs its handler at once, before the next statement. The bodies
// live in one source file per topic: loading, saving, the account list, the
// agent preview and the file pickers.

#include "AgentControl.h"
#include "Module1.h"
#include "OptionsRecord.h"

#include <QDialog>
#include <QString>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;

namespace controls {
class DropDownList;
class FlexGrid;
class RoundedShape;
} // namespace controls

class optionform : public QDialog
{
    Q_OBJECT

public:
    explicit optionform(QWidget* parent = nullptr);
    ~optionform() override;

    // Form_Load runs here, once, just before the window first becomes visible.
    void setVisible(bool visible) override;

    // --- Controls on the window itself -------------------------------------
    QTabWidget* SSTab1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* OkBt = nullptr;
    QPushButton* CancelBt = nullptr;

    // --- Page 0 "全般" --------------------------------------------------------
    QLabel* Label9 = nullptr;
    QLineEdit* AgentBox = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* Notstrbox = nullptr;
    QLineEdit* timerbox1 = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* option3 = nullptr;
    QCheckBox* option4 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* timerbox3 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* Check5 = nullptr;
    QCheckBox* option5 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* option1 = nullptr;
    QLineEdit* timerbox2 = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* option2 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Wavbox = nullptr;
    QPushButton* Command2 = nullptr;
    // Indexes 0 and 1 on page 0, 2 and 4 on page 3; 3 is unused.
    std::array<QLabel*, 5> Label5{};
    // Indexes 1 and 2; 0 is unused.
    std::array<QLineEdit*, 3> Mailerbox{};
    std::array<QPushButton*, 3> RefBt{};

    // --- Page 1 "読上げ＆ｱｸｼｮﾝ" ---------------------------------------------
    // Indexes 0, 1, 3, 5, 6, 7; 2 and 4 are unused.
    std::array<QLabel*, 8> Label13{};
    std::array<QLineEdit*, 6> Text1{};
    QCheckBox* option8 = nullptr;
    QCheckBox* option9 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check4 = nullptr;
    std::array<controls::DropDownList*, 6> Combo1{};
    std::array<QPushButton*, 6> Command4{};
    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, 6> Label14{};
    QLabel* Label11 = nullptr;
    QLineEdit* talkcntbox = nullptr;
    QLabel* Label10 = nullptr;

    // --- Page 2 "ｱｶｳﾝﾄ" -------------------------------------------------------
    controls::FlexGrid* accountList = nullptr;
    QPushButton* addbutton = nullptr;
    QPushButton* editbutton = nullptr;
    QPushButton* delbutton = nullptr;

    // --- Page 3 "ｴｰｼﾞｪﾝﾄ詳細" ------------------------------------------------
    QScrollBar* scr_Vol = nullptr;
    QScrollBar* scr_Pitch = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label17 = nullptr;
    controls::DropDownList* Combo2 = nullptr;
    QLabel* Label16 = nullptr;
    controls::DropDownList* Combo3 = nullptr;
    controls::RoundedShape* shp_Sample = nullptr;
    QLabel* lbl_Sample = nullptr;
    QLabel* Label18 = nullptr;
    QLineEdit* txt_Vol = nullptr;

    // --- The agent preview -----------------------------------------------------
    // Not a widget: each loaded character has a window of its own.
    agent::AgentControl Agent1;
    // The character loaded under "Agent"; null until the first SetAgent.
    agent::AgentCharacter* AgentCharacter = nullptr;

    // --- Working values, one per global key ---------------------------------
    // Filled by loaddata, kept current by the handlers, written by savedata.
    // Its AccountCount is only carried to and from the store: while the
    // window is open the account list counts in Module1::AccountCount.
    settings::OptionsRecord Options;
    bool AgentLoaded = false;

public slots:
    void loaddata();
    void savedata();
    void SetAgent();

    void Form_Load();
    void OkBt_Click();
    void CancelBt_Click();

    void accountList_DblClick();
    void accountList_MouseDown(int Button, int Shift, float X, float Y);
    void addbutton_Click();
    void editbutton_Click();
    void delbutton_Click();

    void Combo2_Click();
    void Combo3_Click();
    void Command4_Click(int Index);
    void option1_Click();
    void scr_Pitch_Change();
    void scr_Vol_Change();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void RefBt_Click(int Index);

signals:
    // The window is done and the program is to end (OK after saving, Cancel,
    // or the title bar's close). The program's owner of the window ends it.
    void programEnding();

public:
    // Hides the window and tells its owner. OK and Cancel end here.
    void endProgram();

protected:
    // Esc and the title bar's close both press Cancel.
    void reject() override;

private:
    void buildWindow();
    void buildGeneralPage(QWidget* page);
    void buildSpeechPage(QWidget* page);
    void buildAccountPage(QWidget* page);
    void buildAgentPage(QWidget* page);
    // The captions of pages 1 and 3 are measured to place them and what
    // stands beside them, when the page is first shown: the start measures
    // only what it shows.
    void arrangeSpeechPage();
    void arrangeAgentPage();
    void arrangeTabOrder();
    void connectHandlers();

    bool loaded_ = false;
    // While Form_Load runs for the first show: the character then comes up
    // right after the window's first frame.
    bool opening_ = false;
    // Set by loaddata just after the store was read, so that the character it
    // places needs no second read; any later SetAgent reads the store again.
    bool storeReadForLoad_ = false;

    // --- Saving: helper of savedata and OkBt_Click ----------------------------
    // Checks the typed numbers, writes every option and syncs the store. False,
    // after telling the user why, when nothing was written or the store refused it.
    bool saveOptions();

    // --- The account list (optionform_accounts.cpp) ---------------------------
public slots:
    // The grid's current row moved: by a press, the keyboard or code.
    void accountList_RowColChange();

private:
    // Opens a fresh modal account window on the grid, loading an account into it first when given.
    void openAccountWindow(std::optional<qint16> accountToLoad);
    // "追加" stays available while the 16-bit count can still grow.
    void updateAddButton();
};
