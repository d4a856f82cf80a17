// The windows while a store call that runs Wine does not answer: the call
// runs on the store's thread, the window stays alive but refuses input and
// shows the busy pointer, the user is asked whether to wait, and giving up
// leaves the action unsaved. Driven through the real window on a store that
// stands for Wine and holds its calls; the Wine store itself with a "wine"
// that never answers.

#include "FlexGrid.h"
#include "MemoryBackend.h"
#include "ModalAnswers.h"
#include "Module1.h"
#include "StoreCallWait.h"
#include "StoreChoice.h"
#include "StoreFiles.h"
#include "StoreRefusalBox.h"
#include "TestMain.h"
#include "WineRegistryStore.h"
#include "optionform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

using namespace Qt::StringLiterals;
using namespace quorvix::test;
using settings::test::MemoryBackend;
using settings::test::MemoryDisk;

namespace {

const QMap<QString, QString> kThreeAccounts = {{u"accountno"_s, u"3"_s}, {u"Aname1"_s, u"a"_s},
                                               {u"Aname2"_s, u"b"_s},    {u"Aname3"_s, u"c"_s},
                                               {u"Talkcnt"_s, u"10"_s}};

// What the user met while a call did not answer.
struct SeenWhileWaiting
{
    bool busyPointer = false;
    int timerTicks = 0;
    bool noticeShown = false;
    bool asked = false;
    QStringList answers;
    QStringList warnings;
};

bool anotherWindowShown(const QWidget* besides)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [besides](const QWidget* w) { return w != besides && w->isVisible(); });
}

// Answers the question whether to wait with answer (then runs afterAnswer)
// and every other message box with OK.
class WaitAnswerer
{
public:
    WaitAnswerer(QString answer, std::function<void()> afterAnswer = {})
        : answer_(std::move(answer)), afterAnswer_(std::move(afterAnswer))
    {
        QObject::connect(&ticker_, &QTimer::timeout, [this] { seen.timerTicks += seen.asked ? 0 : 1; });
        ticker_.start(5);
    }
    SeenWhileWaiting seen;

private:
    void answer(QMessageBox* box)
    {
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            seen.answers.append(button->text());
            if (button->text() == answer_)
                chosen = button;
        }
        seen.asked = true;
        seen.noticeShown = anotherWindowShown(box);
        QTest::mouseClick(chosen, Qt::LeftButton);
        if (afterAnswer_)
            afterAnswer_();
    }

    QString answer_;
    std::function<void()> afterAnswer_;
    QTimer ticker_;
    EveryModal<QMessageBox> every_{[this](QMessageBox* box) {
        if (box->icon() == QMessageBox::Question)
            return answer(box);
        seen.warnings.append(box->text());
        press(box, QMessageBox::Ok);
    }};
};

QString gaveUp()
{
    return dialogs::storeProblemSentence(settings::StoreProblem::Kind::Abandoned);
}

// While the call waits: the pointer, and a click and a key that must do nothing.
void tryTheWindow(optionform& form, SeenWhileWaiting& seen)
{
    QTimer::singleShot(0, &form, [&] {
        const QCursor* pointer = QApplication::overrideCursor();
        seen.busyPointer = pointer && pointer->shape() == Qt::WaitCursor;
        QTest::mouseClick(form.CancelBt, Qt::LeftButton);
        QTest::keyClick(&form, Qt::Key_Escape);
    });
}

} // namespace

class StoreWaitTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<MemoryDisk> disk_;

    void useStoreThatRunsWine(const QMap<QString, QString>& values)
    {
        disk_ = std::make_shared<MemoryDisk>();
        disk_->values = values;
        disk_->runsOtherPrograms = true;
        settings::ProcessStore().useBackend(std::make_unique<MemoryBackend>(disk_));
    }

private slots:
    void initTestCase()
    {
        using namespace std::chrono_literals;
        dialogs::installStoreCallWait({20ms, 300ms});
    }

    void cleanup()
    {
        if (disk_)
            disk_->gate.open();
        rejectAllModals();
    }

    void aCallThatDoesNotAnswerAsksWhetherToWait_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("waiting");
        for (const QString& action : {u"OK"_s, u"削除"_s}) {
            QTest::addRow("%s, wait until it answers", qPrintable(action)) << action << true;
            QTest::addRow("%s, give up", qPrintable(action)) << action << false;
        }
    }

    void aCallThatDoesNotAnswerAsksWhetherToWait()
    {
        QFETCH(QString, action);
        QFETCH(bool, waiting);
        useStoreThatRunsWine(kThreeAccounts);
        Module1::AccountCount = 3;
        WaitAnswerer answerer(waiting ? QString::fromUtf16(dialogs::kWaitAnswer)
                                      : QString::fromUtf16(dialogs::kGiveUpAnswer),
                              [this, waiting] {
                                  if (waiting)
                                      disk_->gate.open();
                              });
        optionform form;
        form.Agent1.Characters().setSoundEnabled(false);
        form.show();
        QSignalSpy ending(&form, &optionform::programEnding);
        form.talkcntbox->setText(u"7"_s);
        form.accountList->setRow(1);
        const QMap<QString, QString> before = disk_->values;

        disk_->gate.close();
        tryTheWindow(form, answerer.seen);
        if (action == u"OK")
            form.OkBt_Click();
        else
            form.delbutton_Click();

        QVERIFY(answerer.seen.busyPointer);
        QVERIFY(answerer.seen.timerTicks > 0);
        QCOMPARE(answerer.seen.answers, (QStringList{u"待つ"_s, u"中止"_s}));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        const bool ended = action == u"OK" && waiting;
        QCOMPARE(ending.size(), ended ? 1 : 0); // the refused Cancel and Esc ended nothing
        if (waiting) {
            QVERIFY(answerer.seen.warnings.isEmpty());
            QCOMPARE(disk_->values.value(action == u"OK" ? u"Talkcnt"_s : u"accountno"_s),
                     action == u"OK" ? u"7"_s : u"2"_s);
        } else {
            QCOMPARE(disk_->values, before);
            QCOMPARE(answerer.seen.warnings.size(), 1);
            QVERIFY(answerer.seen.warnings.front().contains(gaveUp()));
            QCOMPARE(form.accountList->Rows(), 4);
            QCOMPARE(Module1::AccountCount, qint16(3));
        }
    }

    // At start no window is shown yet: a notice says what the program waits
    // for, and giving up opens no store for writing.
    void aStartThatDoesNotAnswerShowsANotice()
    {
        useStoreThatRunsWine(kThreeAccounts);
        WaitAnswerer answerer(QString::fromUtf16(dialogs::kGiveUpAnswer));
        disk_->gate.close();
        Module1::ReloadStore();
        QVERIFY(answerer.seen.noticeShown);
        QVERIFY(Module1::StoreReadProblem().isProblem());
        QVERIFY(!anotherWindowShown(nullptr)); // the notice went with the wait
        disk_->gate.open();
        Module1::WriteSetting(u"Talkcnt"_s, u"7"_s);
        QVERIFY(!Module1::SyncSettings());
        QVERIFY(disk_->commits.empty());
    }

    // The Wine store itself, with a wine that never answers: giving up ends
    // it and the options are reported not saved.
    void theWineStoreGivesUpAWineThatDoesNotAnswer()
    {
        QTemporaryDir dir;
        const QString prefix = dir.filePath(u"prefix"_s);
        QVERIFY(QDir().mkpath(prefix + u"/drive_c/windows"_s) && QDir().mkpath(prefix + u"/dosdevices"_s));
        QVERIFY(!writeFile(prefix, u"system.reg"_s, "WINE REGISTRY Version 2\n").isEmpty());
        QVERIFY(!writeFile(prefix, u"user.reg"_s,
                           "WINE REGISTRY Version 2\n\n[Software\\\\VB and VBA Program Settings\\\\wispane\\\\"
                           "setting] 1700000000\n\"Talkcnt\"=\"10\"\n")
                     .isEmpty());
        const QString wine = writeFile(dir.path(), u"wine"_s, "#!/bin/sh\nexec sleep 600\n");
        QVERIFY(QFile::setPermissions(wine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("WINE", QFile::encodeName(wine));
        qputenv("QUORVIX_REGISTRY_HELPER", QFile::encodeName(wine)); // any file: it is never run
        settings::ProcessStore().useBackend(settings::makeWineRegistryStore(prefix));
        disk_.reset();
        QVERIFY(!Module1::StoreReadProblem().isProblem()); // no wineserver runs: user.reg is read
        WaitAnswerer answerer(QString::fromUtf16(dialogs::kGiveUpAnswer));
        optionform form;
        form.Agent1.Characters().setSoundEnabled(false);
        form.show();
        QSignalSpy ending(&form, &optionform::programEnding);
        form.talkcntbox->setText(u"7"_s);
        form.OkBt_Click();
        qunsetenv("WINE");
        qunsetenv("QUORVIX_REGISTRY_HELPER");
        QVERIFY(answerer.seen.asked);
        QCOMPARE(ending.size(), 0);
        QVERIFY(!answerer.seen.warnings.isEmpty());
        QVERIFY(answerer.seen.warnings.back().startsWith(u"設定を保存できませんでした"_s));
        QVERIFY(answerer.seen.warnings.back().contains(gaveUp()));
        settings::ProcessStore().useBackend(settings::makeStoreBackend());
    }
};

QUORVIX_TEST_MAIN(StoreWaitTest)
#include "tst_storewait.moc"
