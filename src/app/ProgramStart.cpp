#include "ProgramStart.h"

#include "ApplicationSetup.h"
#include "DisplayPlatform.h"
#include "FontConfigurationRead.h"
#include "Module1.h"
#include "OneWindowPerStore.h"
#include "StoreRefusalBox.h"
#include "optionform.h"

#include <QApplication>

namespace app {

int runProgram(int argc, char** argv, const StartWatch& watch)
{
    const auto done = [&](const char* step) {
        if (watch.stepDone)
            watch.stepDone(step);
    };
    // From the first statement on: begun after the claim, it would give the
    // window about 0.5 ms less of it; a start that only brings the open
    // window forward waits for it at its end (at most its 3 ms).
    FontConfigurationRead fontConfiguration;
    choosePlatform(argc, argv);
    DisplayStart display(argc, argv);
    if (!display.reached())
        return 1; // it said on standard error which display did not answer
    done("display answered");

    // Asked first: a second start that brings the open window forward sets
    // nothing up and runs no Wine.
    OneWindowPerStore oneWindow(Module1::StoreIdentityFile());
    const bool anotherWindow = oneWindow.anotherWindowIsOpen();
    if (anotherWindow && !oneWindow.startProblem().isProblem())
        return 0; // the open window came forward
    done("window claimed for the store");
    if (!anotherWindow) {
        // Wine, where the store is its registry, starts while Qt, the fonts
        // and the window are set up.
        Module1::BeginReadingStore();
    }
    QApplication application(argc, argv);
    display.applicationCreated();
    done("application object (platform)");
    setUpApplicationExceptFonts(application);
    done("application set up but its fonts (translation, icon)");
    fontConfiguration.wait();
    done("font configuration read");
    setUpFonts();
    done("application fonts set up");
    if (anotherWindow) {
        dialogs::showStoreRefusal(nullptr, oneWindow.startHeadline(), oneWindow.startProblem());
        return 1;
    }
    if (watch.mayOpenWindow && !watch.mayOpenWindow())
        return 2;

    optionform form;
    done("window built (controls, first text measured)");
    // The window says when it is done; ending the program is ours.
    QObject::connect(&form, &optionform::programEnding, &application, &QCoreApplication::quit);
    oneWindow.setWindow(&form);
    form.show();
    done("window shown (options loaded, character shown)");
    if (watch.windowShown)
        watch.windowShown(form);
    return QApplication::exec();
}

} // namespace app
