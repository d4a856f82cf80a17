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

} // namespace dialogs
