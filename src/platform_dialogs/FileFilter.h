#pragma once

#include <QString>

namespace dialogs {

// The one name filter of the open-file dialog, built from the program's filter
// text: a description, one NUL character and a pattern ("WAVﾌｧｲﾙ", NUL,
// "*.wav" gives "WAVﾌｧｲﾙ (*.wav)"). Several patterns separated by ';' become
// Qt's space-separated list. Text without a NUL is taken as a bare pattern.
QString nameFilterFromFilterText(const QString& filterText);

} // namespace dialogs
