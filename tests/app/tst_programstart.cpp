// The program's own start, as main() runs it, opens the window on the
// options of an empty store, with the character loaded and its animations listed.

#include "DropDownList.h"
#include "KeySchema.h"
#include "ProgramStart.h"
#include "TestMain.h"
#include "optionform.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QTimer>

class ProgramStartTest : public QObject
{
    Q_OBJECT

private slots:
    void opensTheWindowOnTheStoredOptions()
    {
        char name[] = "quorvix-options";
        char* argv[] = {name, nullptr};
        int argc = 1;
        QString notReadChars;
        QString firstAnimationChoice;
        int animationItems = 0;
        bool formFaceKnown = false;
        app::StartWatch watch;
        watch.windowShown = [&](optionform& form) {
            notReadChars = form.Notstrbox->text();
            animationItems = form.Combo1[0]->count();
            firstAnimationChoice = form.Combo1[0]->currentText();
            formFaceKnown = QFontDatabase::hasFamily(QApplication::font().family());
            QTimer::singleShot(0, &form, [] { QCoreApplication::quit(); });
        };
        QCOMPARE(app::runProgram(argc, argv, watch), 0);
        QCOMPARE(notReadChars, settings::kNotstrDefault.toString());
        QVERIFY(formFaceKnown);
        QVERIFY2(animationItems > 1, "the default character's animations are listed");
        QCOMPARE(firstAnimationChoice, QStringLiteral("Congratulate"));
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir configHome;
    quorvix::test::isolateEnvironment(configHome);
    ProgramStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_programstart.moc"
