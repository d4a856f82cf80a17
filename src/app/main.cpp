#include "ApplicationSetup.h"
#include "DisplayPlatform.h"
#include "Module1.h"
#include "OneWindowPerStore.h"
#include "StoreRefusalBox.h"
#include "optionform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    app::choosePlatform(argc, argv);
    app::DisplayStart display(argc, argv);
    if (!display.reached())
        return 1; // it said on standard error which display did not answer
    QApplication application(argc, argv);
    display.applicationCreated();

    // Asked first: a second start that brings the open window forward
    // sets nothing up and runs no Wine.
    app::OneWindowPerStore oneWindow(Module1::StoreIdentityFile());
    const bool anotherWindowIsOpen = oneWindow.anotherWindowIsOpen();
    if (anotherWindowIsOpen && !oneWindow.startProblem().isProblem())
        return 0; // the open window came forward
    // Wine, where the store is its registry, starts while the fonts and the
    // window are set up.
    if (!anotherWindowIsOpen)
        Module1::BeginReadingStore();
    app::setUpApplication(application);
    if (anotherWindowIsOpen) {
        dialogs::showStoreRefusal(nullptr, oneWindow.startHeadline(), oneWindow.startProblem());
        return 1;
    }

    optionform form;
    // The window says when it is done; ending the program is main's.
    QObject::connect(&form, &optionform::programEnding, &application, &QCoreApplication::quit);
    oneWindow.setWindow(&form);
    form.show();
    return QApplication::exec();
}
