// Loading an account into the window, the colour swatches, and OK and Cancel.

#include "accountform.h"

#include "AccountRows.h"
#include "ColorSwatch.h"
#include "CommonDialogs.h"
#include "FlexGrid.h"
#include "KeySchema.h"
#include "Module1.h"
#include "StoreRefusalBox.h"
#include "WarningBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// A port the mail checker can connect to: a whole number from 1 to 32767.
std::optional<qint16> portFromText(const QString& text)
{
    const std::optional<qint16> port = Module1::ParseInt16(text);
    if (!port || *port < 1)
        return std::nullopt;
    return port;
}

} // namespace

void accountform::intoform(qint16 n)
{
    using Module1::AccountRecord;
    Module1::ResetAccount();
    Module1::LoadAccount(n);

    Accountname->setText(AccountRecord.Aname);
    Hostname->setText(AccountRecord.Hname);
    Portbox->setText(QString::number(AccountRecord.Portno));
    UserName->setText(AccountRecord.Uname);
    MailPassWord->setText(AccountRecord.Passw);
    // Any value but 0 counts as checked, as the list's mark shows it.
    loadedCheck_ = AccountRecord.Check;
    Check1->setChecked(AccountRecord.Check != 0);
    checkTouched_ = false;
    Colorbox->setBackColor(AccountRecord.Scolor1);
    Colorbox2->setBackColor(AccountRecord.Scolor2);

    // A stored account without a server can still be confirmed unchanged.
    Command1->setEnabled(true);
}

void accountform::Hostname_Change()
{
    Command1->setEnabled(!Hostname->text().isEmpty());
}

void accountform::Colorbox_Click()
{
    const qint32 c = Module1::SelectColor();
    if (c == -1)
        return;
    Colorbox->setBackColor(c);
    Module1::AccountRecord.Scolor1 = c;
}

void accountform::Colorbox2_Click()
{
    const qint32 c = Module1::SelectColor();
    if (c == -1)
        return;
    Colorbox2->setBackColor(c);
    Module1::AccountRecord.Scolor2 = c;
}

void accountform::refuseText(QLineEdit* box, const QLabel* caption)
{
    QString name = caption->text();
    name.chop(name.endsWith(u':') ? 1 : 0);
    dialogs::showWarning(this, name + u"には改行やNUL文字を入力できません"_s);
    box->setFocus();
}

void accountform::Command1_Click()
{
    using namespace Module1;

    // What only the window can tell is checked before anything changes, so
    // a refusal leaves the window exactly as the user left it.
    const std::optional<qint16> port = portFromText(Portbox->text());
    if (!port) {
        dialogs::showWarning(this, u"ﾎﾟｰﾄ番号は1から32767までの数字で入れてください"_s);
        Portbox->setFocus();
        Portbox->selectAll();
        return;
    }
    QString unencodable;
    EncodePassword(MailPassWord->text(), &unencodable);
    if (!unencodable.isEmpty()) {
        dialogs::showWarning(this, u"ﾊﾟｽﾜｰﾄﾞに使えない文字「"_s + unencodable + u"」が入っています"_s);
        MailPassWord->setFocus();
        return;
    }
    // Editing while the list has no account row adds one, like "追加".
    const bool adding = EditMode == 0 || SelectedRow < 1;
    if (adding && AccountCount >= kMaxAccounts) {
        dialogs::showWarning(this, u"ｱｶｳﾝﾄはこれ以上追加できません"_s);
        return;
    }
    const qint16 n = adding ? qint16(AccountCount + 1) : SelectedRow;

    // The name box gets its default only once the account is stored.
    const QString name =
        Accountname->text().isEmpty() ? UserName->text() + u'@' + Hostname->text() : Accountname->text();
    AccountRecord.Aname = name;
    AccountRecord.Hname = Hostname->text();
    AccountRecord.Portno = *port;
    AccountRecord.Uname = UserName->text();
    AccountRecord.Passw = MailPassWord->text();
    AccountRecord.Check = !adding && !checkTouched_ ? loadedCheck_ : qint16(Check1->isChecked() ? 1 : 0);
    AccountRecord.Scolor1 = Colorbox->BackColor();
    AccountRecord.Scolor2 = Colorbox2->BackColor();

    const StoreOutcome outcome = StoreAccount(n);
    if (!outcome) {
        using settings::AccountField;
        // A default name is made of the server and the user name: one of them is to blame.
        QLineEdit* nameBox = Accountname;
        const QLabel* nameCaption = Label6[1];
        if (Accountname->text().isEmpty()) {
            const bool serverToBlame = !CanStoreText(Hostname->text());
            nameBox = serverToBlame ? Hostname : UserName;
            nameCaption = serverToBlame ? Label6[0] : Label1;
        }
        const std::tuple<QLineEdit*, const QLabel*, AccountField> texts[] = {
            {nameBox, nameCaption, AccountField::Aname},
            {Hostname, Label6[0], AccountField::Hname},
            {UserName, Label1, AccountField::Uname}};
        for (const auto& [box, caption, field] : texts) {
            if (outcome.unstorableKey == settings::AccountKey(field, n)) {
                refuseText(box, caption);
                return;
            }
        }
        // Nothing of this account reached the disk and the store took the
        // writes back: leave the list as the disk has it and keep the
        // user's input open.
        dialogs::showStoreRefusal(this, u"ｱｶｳﾝﾄを保存できませんでした"_s, outcome.problem);
        return;
    }

    Accountname->setText(name);
    if (adding) {
        if (accountList_) {
            accounts::appendAccountRow(*accountList_, AccountRecord);
            SelectedRow = qint16(accountList_->Row());
        } else {
            SelectedRow = n;
        }
    } else if (accountList_) {
        accounts::rewriteAccountRow(*accountList_, SelectedRow, AccountRecord);
    }
    done(QDialog::Accepted);
}

void accountform::Command2_Click()
{
    done(QDialog::Rejected);
}
