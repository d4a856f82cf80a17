#pragma once

// Text as the mail checker under Wine reads it: through the ANSI code page,
// 932, which Wine converts without Windows' best fit. Linux input methods
// give some characters in their JIS form, which code page 932 lacks and Wine
// would turn into "?"; those are stored as the characters the code page has
// for them. Anything else it cannot hold is refused rather than lost.

#include <QString>

#include <optional>

namespace settings {

// text with the JIS forms replaced (〜 − ‖ ¢ £ ¬ — become ～ － ∥ ￠ ￡ ￢ ―);
// nullopt when a character remains that code page 932 cannot hold, which
// *refused then is.
std::optional<QString> AnsiStorableText(const QString& text, QString* refused);

} // namespace settings
