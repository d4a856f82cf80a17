#include "PasswordBox.h"

#include "FormLayout.h"

namespace controls {

PasswordBox::PasswordBox(QWidget* parent) : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    allowAnyLength(this);
    // The style's own mask character varies; this box always shows "*".
    setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase | Qt::ImhPreferLatin);
}

QVariant PasswordBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // A plain QLineEdit answers "enabled" whatever its attribute says, and the
    // platform input method asks exactly this.
    if (query == Qt::ImEnabled)
        return false;
    return QLineEdit::inputMethodQuery(query);
}

} // namespace controls
