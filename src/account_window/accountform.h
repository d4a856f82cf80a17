#pragma once

// The account window: the modal editor of one POP3 account.
//
// A fresh window is made for every opening, so it always starts from the
// contents of a new account. The options window hands it the account grid
// with setAccountList() before showing it; OK writes into that grid.
// Enter and Esc press neither button; the title bar's close acts as Cancel.

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace controls {
class ColorSwatch;
class FlexGrid;
} // namespace controls

class accountform : public QDialog
{
    Q_OBJECT

public:
    explicit accountform(QWidget* parent = nullptr);
    ~accountform() override;

    // The options window's account grid, which OK updates. Not owned.
    void setAccountList(controls::FlexGrid* grid) { accountList_ = grid; }
    controls::FlexGrid* accountList() const { return accountList_; }

    void setVisible(bool visible) override;

    // Index 0 is the mail-server caption, 1 the name caption.
    std::array<QLabel*, 2> Label6{};
    QLineEdit* Accountname = nullptr;
    QLineEdit* Hostname = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Portbox = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* UserName = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label3 = nullptr;
    controls::ColorSwatch* Colorbox = nullptr;
    QLabel* Label5 = nullptr;
    controls::ColorSwatch* Colorbox2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* MailPassWord = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

public slots:
    // Loads account n into the controls (editing an existing account).
    void intoform(qint16 n);

    void Hostname_Change();
    void Colorbox_Click();
    void Colorbox2_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The title bar's close acts as Cancel.
    void reject() override;

private:
    void buildWindow();
    void arrangeTabOrder();
    void connectHandlers();

    // Names the field of a refused text and puts the cursor there.
    void refuseText(QLineEdit* box, const QLabel* caption, const QString& character);

    controls::FlexGrid* accountList_ = nullptr;
    bool centred_ = false;
    // The stored Check of the account being edited. The box shows only
    // ticked or not, so a box the user left alone gives the stored value back
    // (another program may store more than 0 and 1); once touched, the box
    // stores what it shows.
    qint16 loadedCheck_ = 1;
    bool checkTouched_ = false;
};
