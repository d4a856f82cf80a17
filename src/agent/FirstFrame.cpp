#include "FirstFrame.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace agent {

namespace {

// Lives on the window until its first paint, then hands the call to the event
// loop: the frame is flushed to the screen before the call runs.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget* window, QObject* context, std::function<void()> then)
        : QObject(window), context_(context), then_(std::move(then))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            if (context_)
                QMetaObject::invokeMethod(context_, std::move(then_), Qt::QueuedConnection);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QObject> context_;
    std::function<void()> then_;
};

} // namespace

void whenFirstDrawn(QWidget* window, QObject* context, std::function<void()> then)
{
    const QWindow* handle = window ? window->windowHandle() : nullptr;
    if (!window || (window->isVisible() && handle && handle->isExposed())) {
        then();
        return;
    }
    new FirstPaintWatch(window, context, std::move(then));
}

} // namespace agent
