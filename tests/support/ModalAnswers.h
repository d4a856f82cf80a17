#pragma once

// Answers the modal windows a test's action opens. A modal window runs its own
// event loop, so the test cannot answer it after the call that opens it
// returns: a timer looks for the active modal widget instead and answers it
// from inside that loop. What a message box showed is kept for the test to
// check. No wait can block: one that is never answered gives up and rejects
// every modal window, and a dialog that is answered but left open is
// rejected, so a broken case fails instead of hanging.

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace quorvix::test {

inline void rejectAllModals()
{
    while (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        modal->reject();
}

// The modal widget the user would be facing, when it is a T.
template <typename T> T* activeModal()
{
    auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
    return widget && widget->isVisible() ? widget : nullptr;
}

// Runs action once, on the next modal dialog of type T. The returned flag says
// whether it ran. If none comes within some 20 s every modal window is
// rejected; a case that expects no window passes an owner and deletes it to
// stop waiting.
template <typename T>
std::shared_ptr<bool> whenModal(std::function<void(T*)> action, QObject* owner = nullptr)
{
    using namespace std::chrono_literals;
    auto answered = std::make_shared<bool>(false);
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, answered, deadline = QDeadlineTimer(20s)] {
        T* dialog = activeModal<T>();
        if (!dialog) {
            if (deadline.hasExpired()) {
                timer->stop();
                timer->deleteLater();
                rejectAllModals();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        *answered = true;
        QPointer<T> guard(dialog);
        action(dialog);
        if (guard && guard->isVisible())
            static_cast<QDialog*>(guard.data())->reject(); // public there, whatever T made it
    });
    timer->start();
    return answered;
}

// While it lives, runs action on every modal widget of type T that comes up,
// for windows a case meets on its way but is not about. The action closes the
// widget; one it leaves open is met again at the next tick.
template <typename T> class EveryModal
{
public:
    explicit EveryModal(std::function<void(T*)> action)
    {
        QObject::connect(&timer_, &QTimer::timeout, [action] {
            if (T* widget = activeModal<T>())
                action(widget);
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
};

// What a message box showed the user.
struct SeenMessageBox
{
    bool shown = false;
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int width = 0;
    // The pointer shape while the box was up (Qt::ArrowCursor when none was set).
    Qt::CursorShape pointer = Qt::ArrowCursor;
};

inline SeenMessageBox seenIn(const QMessageBox& box)
{
    SeenMessageBox seen;
    seen.shown = true;
    seen.title = box.windowTitle();
    seen.text = box.text();
    seen.informativeText = box.informativeText();
    seen.icon = box.icon();
    seen.buttons = box.standardButtons();
    seen.width = box.width();
    if (const QCursor* cursor = QApplication::overrideCursor())
        seen.pointer = cursor->shape();
    return seen;
}

// Clicks the named button; a box without it is rejected, as Escape would.
inline void press(QMessageBox* box, QMessageBox::StandardButton which)
{
    if (QAbstractButton* button = box->button(which))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        box->reject();
}

// Answers the next message box with the named button and keeps what it showed.
inline std::shared_ptr<SeenMessageBox> answerMessageBox(QMessageBox::StandardButton which = QMessageBox::Ok)
{
    auto seen = std::make_shared<SeenMessageBox>();
    whenModal<QMessageBox>([seen, which](QMessageBox* box) {
        *seen = seenIn(*box);
        press(box, which);
    });
    return seen;
}

// While it lives, answers every message box with OK and keeps what each showed.
class MessageBoxAnswerer
{
public:
    std::vector<SeenMessageBox> seen;

private:
    EveryModal<QMessageBox> every_{[this](QMessageBox* box) {
        seen.push_back(seenIn(*box));
        press(box, QMessageBox::Ok);
    }};
};

// Types a name into a file dialog and presses Open, the way a user picks a
// file whatever has the focus (selectFile() leaves the name box alone while it
// has it). Qt answers a name that does not exist with a message box of its
// own, which is closed here so the case goes on.
inline void typeAndAccept(QFileDialog* dialog, const QString& typed)
{
    // setText rather than key clicks: typing would open the name completer's
    // popup, which then takes the keys meant for the next step.
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
    QObject waitForMissingFile;
    whenModal<QMessageBox>([](QMessageBox* box) { box->reject(); }, &waitForMissingFile);
    // accept() is protected in QFileDialog; through QDialog it is the same virtual call.
    static_cast<QDialog*>(dialog)->accept();
}

} // namespace quorvix::test
