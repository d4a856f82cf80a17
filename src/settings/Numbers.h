#pragma once

// Module1's number conversions: stored and typed numbers are decimal text, and
// every reader checks that the text is a whole number of the width it needs.

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Module1 {

// Signed decimal text with optional surrounding blanks and optional sign;
// anything else, or a value out of range, gives std::nullopt.
std::optional<qint16> ParseInt16(const QString& text);
std::optional<qint32> ParseInt32(const QString& text);

} // namespace Module1
