#pragma once

// Module1's password encoding: the reversible text form in which the store
// keeps account passwords, character codes of code page 932 in decimal.

#include <QString>

namespace Module1 {

// Stored form of a password: each character's code-page-932 code in decimal
// followed by one space. When a character cannot be carried exactly,
// *unencodable (when given) receives the first such character and the caller
// must refuse to store the password; otherwise *unencodable is cleared. Such
// characters are written as "63 " ("?"), as Windows would write them.
QString EncodePassword(const QString& text, QString* unencodable = nullptr);
// Never fails: tokens that are not valid codes give nothing.
QString DecodePassword(const QString& text);

} // namespace Module1
