#include "DropDownList.h"

namespace controls {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // A combo box with a placeholder does not pick its first item when items
    // are added; a blank placeholder keeps "no selection" looking empty.
    setPlaceholderText(QStringLiteral(" "));
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            emit itemSelected(index);
    });
}

} // namespace controls
