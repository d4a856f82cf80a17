#pragma once

// Answers a modal dialog from inside its own event loop: polls until a visible
// dialog of the wanted type is up, then runs the action, which must close it.
// If no dialog appears, or the action leaves it open, every modal widget is
// rejected so that a broken case fails instead of hanging.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace dialogs::test {

inline void rejectAllModals()
{
    while (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

template <typename Dialog> Dialog* visibleDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible())
            return d;
    }
    return nullptr;
}

// Runs action on the next visible Dialog. *answered tells the test whether
// the action ran at all.
template <typename Dialog>
void answer(std::function<void(Dialog*)> action, std::shared_ptr<bool> answered = std::make_shared<bool>())
{
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, action, answered] {
        Dialog* dialog = visibleDialog<Dialog>();
        if (!dialog) {
            if (++*ticks > 2000) { // some 20 s: the dialog never came
                timer->deleteLater();
                timer->stop();
                rejectAllModals();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        QPointer<Dialog> guard(dialog);
        *answered = true;
        action(dialog);
        if (guard && guard->isVisible())
            guard->reject();
    });
    timer->start();
}

} // namespace dialogs::test
