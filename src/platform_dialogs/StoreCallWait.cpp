#include "StoreCallWait.h"

#include "StoreWorker.h"
#include "WarningBox.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace dialogs {

namespace {

bool isUserInput(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    case QEvent::Close:
        return event.spontaneous(); // the title bar's close, not a window closing itself
    default:
        return false;
    }
}

// While it lives, the program's windows take no input and show the busy
// pointer; only the question, when it is up, is answered.
class InputRefusal final : public QObject
{
public:
    InputRefusal()
    {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~InputRefusal() override
    {
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
    }
    InputRefusal(const InputRefusal&) = delete;
    InputRefusal& operator=(const InputRefusal&) = delete;

    // The one window that is answered meanwhile, or none.
    void allow(QWidget* window)
    {
        allowed_ = window;
        QApplication::changeOverrideCursor(window ? Qt::ArrowCursor : Qt::WaitCursor);
    }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!isUserInput(*event))
            return false;
        const auto* widget = qobject_cast<const QWidget*>(target);
        return !(allowed_ && widget && widget->window() == allowed_);
    }

private:
    QPointer<QWidget> allowed_;
};

// What the user sees while no window of the program is shown yet.
std::unique_ptr<QWidget> makeNotice()
{
    auto notice = std::make_unique<QWidget>(nullptr, Qt::Dialog);
    notice->setWindowTitle(warningTitle());
    auto* layout = new QVBoxLayout(notice.get());
    layout->addWidget(new QLabel(u"Wineの応答を待っています..."_s, notice.get()));
    return notice;
}

bool anyWindowShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](const QWidget* w) { return w->isVisible(); });
}

std::unique_ptr<QMessageBox> makeQuestion()
{
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Question, warningTitle(),
        u"Wineが応答しません\r\n応答を待ちますか?\r\n中止すると、この読み込みや保存は行われません"_s);
    QPushButton* wait = box->addButton(QString::fromUtf16(kWaitAnswer), QMessageBox::AcceptRole);
    box->addButton(QString::fromUtf16(kGiveUpAnswer), QMessageBox::RejectRole);
    box->setDefaultButton(wait);
    box->setEscapeButton(wait); // Esc loses nothing
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void waitInWindows(settings::PendingCall& call, const StoreCallWaitTimes& times)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        call.waitBlocking();
        return;
    }
    InputRefusal refusal;
    QEventLoop loop;
    std::unique_ptr<QWidget> notice;
    std::unique_ptr<QMessageBox> question;

    QTimer noticeTimer;
    noticeTimer.setSingleShot(true);
    QObject::connect(&noticeTimer, &QTimer::timeout, &loop, [&] {
        if (anyWindowShown())
            return;
        notice = makeNotice();
        notice->show();
    });
    QTimer questionTimer;
    questionTimer.setSingleShot(true);
    QObject::connect(&questionTimer, &QTimer::timeout, &loop, [&] {
        question = makeQuestion();
        QObject::connect(question.get(), &QMessageBox::buttonClicked, &loop, [&](QAbstractButton* button) {
            refusal.allow(nullptr);
            if (question->buttonRole(button) == QMessageBox::RejectRole)
                call.giveUp(); // the call ends soon and the loop with it
            else
                questionTimer.start();
            question.release()->deleteLater();
        });
        refusal.allow(question.get());
        question->show();
    });
    noticeTimer.start(times.notice);
    questionTimer.start(times.question);

    call.onFinished([&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
    loop.exec();
    call.onFinished({});
}

} // namespace

void installStoreCallWait(StoreCallWaitTimes times)
{
    settings::SetCallWaiter([times](settings::PendingCall& call) { waitInWindows(call, times); });
}

} // namespace dialogs
