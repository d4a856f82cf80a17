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
    app::setUpApplication(application);

    app::OneWindowPerStore oneWindow(Module1::StoreIdentityFile());
    if (oneWindow.anotherWindowIsOpen()) {
        if (!oneWindow.startProblem().isProblem())
            return 0; // the open window came forward
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
