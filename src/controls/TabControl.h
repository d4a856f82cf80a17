#pragma once

// A tab control whose tabs share the whole width of the control in one row,
// like a property sheet, instead of bunching up at the left.

#include <QTabWidget>

namespace controls {

class TabControl : public QTabWidget
{
    Q_OBJECT

public:
    explicit TabControl(QWidget* parent = nullptr);
};

} // namespace controls
