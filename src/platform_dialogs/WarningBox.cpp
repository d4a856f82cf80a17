#include "WarningBox.h"

#include <QMessageBox>

namespace dialogs {

namespace {

// The mail checker's name, which titles every warning of the program.
const QString kWarningTitle = QStringLiteral("QuorvixLAN");

} // namespace

QString warningTitle()
{
    return kWarningTitle;
}

void showWarning(QWidget* parent, const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::Warning, kWarningTitle, text, QMessageBox::Ok, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

void showWarningWithDetails(QWidget* parent, const QString& text, const QString& details)
{
    QMessageBox box(QMessageBox::Warning, kWarningTitle, text, QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
}

bool askYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, kWarningTitle, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString unstorableTextMessage(const QString& fieldName, const QString& character)
{
    if (character.isEmpty())
        return fieldName + QStringLiteral("には改行やNUL文字を入力できません");
    return fieldName + QStringLiteral("に保存できない文字「") + character +
           QStringLiteral("」が入っています");
}

} // namespace dialogs
