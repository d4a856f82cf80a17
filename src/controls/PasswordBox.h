#pragma once

// A text box for a password: every character shows as "*", and the input
// method stays off so that what is typed is exactly what is stored.

#include <QLineEdit>

namespace controls {

class PasswordBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit PasswordBox(QWidget* parent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};

} // namespace controls
