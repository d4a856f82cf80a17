#pragma once

// The program's warning box, which both windows show: the account window's
// and the account list's refusals to store something, and the options
// window's missing character and refused save. Every warning looks alike: the
// program's title, an exclamation mark and OK only.

#include <QString>

class QWidget;

namespace dialogs {

// Shows text (and, when given, the technical detail below it) and waits for OK.
void showWarning(QWidget* parent, const QString& text, const QString& detail = QString());

// Asks text with はい and いいえ (いいえ the default); true for はい.
bool askYesNo(QWidget* parent, const QString& text);

// The sentence refusing a field's text that the store cannot keep: a line
// break or a NUL when character is empty, else that character (one code
// page 932 lacks, under Wine).
QString unstorableTextMessage(const QString& fieldName, const QString& character);

// Shows text with details the user can unfold (a long technical message) and waits for OK.
void showWarningWithDetails(QWidget* parent, const QString& text, const QString& details);

// The title of every warning and question of the program.
QString warningTitle();

} // namespace dialogs
