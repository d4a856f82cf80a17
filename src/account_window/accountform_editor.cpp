// Loading an account into the window, the colour swatches, and OK and Cancel.

#include "accountform.h"

void accountform::intoform(qint16 n)
{
    Q_UNUSED(n);
}

void accountform::Hostname_Change() {}

void accountform::Colorbox_Click() {}

void accountform::Colorbox2_Click() {}

void accountform::Command1_Click() {}

void accountform::Command2_Click()
{
    done(QDialog::Rejected);
}
