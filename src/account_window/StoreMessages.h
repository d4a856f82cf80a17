#pragma once

// The warnings the account window and the account list show when the user
// asks for something that cannot be stored. They look like the program's
// other warnings: its title, an exclamation mark and OK only.

#include <QString>

class QWidget;

namespace accounts {

// Shows text (and, when given, the technical detail below it) and waits for OK.
void showWarning(QWidget* parent, const QString& text, const QString& detail = QString());

} // namespace accounts
