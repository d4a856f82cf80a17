#pragma once

// A drop-down list the user can only pick from. Unlike a plain QComboBox it
// never selects an item on its own: adding items to an empty list leaves it
// without a selection, and itemSelected is reported only when an item becomes
// the selection (by the user or by code), never when the list is cleared.

#include <QComboBox>

namespace controls {

class DropDownList : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDownList(QWidget* parent = nullptr);

signals:
    void itemSelected(int index);
};

} // namespace controls
