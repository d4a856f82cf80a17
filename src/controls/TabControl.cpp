#include "TabControl.h"

#include <QTabBar>

#include <algorithm>

namespace controls {

namespace {

class EvenTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override
    {
        QSize size = QTabBar::tabSizeHint(index);
        const QWidget* control = parentWidget();
        if (!control || count() == 0)
            return size;
        // The last tab takes what the division leaves over, so the row ends flush.
        const int available = control->width() - 4;
        const int share = available / count();
        const int width = index == count() - 1 ? available - share * (count() - 1) : share;
        size.setWidth(std::max(size.width(), width));
        return size;
    }
};

} // namespace

TabControl::TabControl(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new EvenTabBar(this));
    setUsesScrollButtons(false);
}

} // namespace controls
