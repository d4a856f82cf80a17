#pragma once

// The one way the windows tell the user that the store refused a read or a
// write: what was not done, why in the program's words, and the technical
// detail beneath for whoever looks into it.

#include "StoreProblem.h"

#include <QString>

class QWidget;

namespace dialogs {

// The user's sentence for a problem of kind, with what to do about it.
QString storeProblemSentence(settings::StoreProblem::Kind kind);

// Shows headline (what was not done, and where), the sentence for problem's
// kind, then advice when given, with the detail as the box's informative
// text; waits for OK.
void showStoreRefusal(QWidget* parent, const QString& headline, const settings::StoreProblem& problem,
                      const QString& advice = QString());

} // namespace dialogs
