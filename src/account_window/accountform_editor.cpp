// Loading an account into the window, the colour swatches, and OK and Cancel.

#include "accountform.h"

#include "AccountRows.h"
#include "ColorSwatch.h"
#include "CommonDialogs.h"
#include "FlexGrid.h"
#include "KeySchema.h"
#include "Module1.h"
#include "StoreMessages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <tuple>

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
    Check1->setChecked(AccountRecord.Check != 0);
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

void accountform::Command1_Click()
{
    using namespace Module1;

    // Everything that could make the record unstorable is checked before
    // anything changes, so a refusal leaves the window exactly as the user left it.
    const std::optional<qint16> port = portFromText(Portbox->text());
    if (!port) {
        accounts::showWarning(this, QStringLiteral("ﾎﾟｰﾄ番号は1から32767までの数字で入れてください"));
        Portbox->setFocus();
        Portbox->selectAll();
        return;
    }
    QString unencodable;
    EncodePassword(MailPassWord->text(), &unencodable);
    if (!unencodable.isEmpty()) {
        accounts::showWarning(this, u"ﾊﾟｽﾜｰﾄﾞに使えない文字「" + unencodable + u"」が入っています");
        MailPassWord->setFocus();
        return;
    }
    // Editing while the list has no account row adds one, like "追加".
    const bool adding = EditMode == 0 || SelectedRow < 1;
    if (adding && AccountCount >= kMaxAccounts) {
        accounts::showWarning(this, QStringLiteral("ｱｶｳﾝﾄはこれ以上追加できません"));
        return;
    }

    const qint16 n = adding ? qint16(AccountCount + 1) : SelectedRow;
    // Each field is one line of the store file.
    using settings::AccountField;
    const std::tuple<QLineEdit*, const QLabel*, AccountField> texts[] = {
        {Accountname, Label6[1], AccountField::Aname},
        {Hostname, Label6[0], AccountField::Hname},
        {UserName, Label1, AccountField::Uname}};
    for (const auto& [box, label, field] : texts) {
        if (!CanWriteSetting(settings::AccountKey(field, n), box->text())) {
            QString caption = label->text();
            caption.chop(caption.endsWith(u':') ? 1 : 0);
            accounts::showWarning(this, caption + u"には改行やNUL文字を入力できません");
            box->setFocus();
            return;
        }
    }

    if (Accountname->text().isEmpty())
        Accountname->setText(UserName->text() + u'@' + Hostname->text());

    AccountRecord.Aname = Accountname->text();
    AccountRecord.Hname = Hostname->text();
    AccountRecord.Portno = *port;
    AccountRecord.Uname = UserName->text();
    AccountRecord.Passw = MailPassWord->text();
    AccountRecord.Check = Check1->isChecked() ? 1 : 0;
    AccountRecord.Scolor1 = Colorbox->BackColor();
    AccountRecord.Scolor2 = Colorbox2->BackColor();

    SaveAccount(n);
    // The count goes with the record, so an added account survives the
    // options window's Cancel.
    if (adding)
        SaveAccountCount(n);
    QString reason;
    if (!SyncSettings(&reason)) {
        // Nothing of this account reached the disk and the store took the
        // writes back: leave the list as the disk has it and keep the
        // user's input open.
        accounts::showWarning(this, QStringLiteral("ｱｶｳﾝﾄを保存できませんでした"), reason);
        return;
    }

    if (adding) {
        AccountCount = n;
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
