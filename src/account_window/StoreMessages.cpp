#include "StoreMessages.h"

#include <QMessageBox>

namespace accounts {

void showWarning(QWidget* parent, const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("QuorvixLAN"), text, QMessageBox::Ok, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

} // namespace accounts
