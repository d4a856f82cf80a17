#include "ApplicationSetup.h"
#include "Module1.h"
#include "OneWindowPerStore.h"
#include "optionform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    app::setUpApplication(application);

    app::OneWindowPerStore oneWindow(Module1::StoreFile());
    if (oneWindow.anotherWindowIsOpen())
        return 0;

    optionform form;
    // The window says when it is done; ending the program is main's.
    QObject::connect(&form, &optionform::programEnding, &application, &QCoreApplication::quit);
    oneWindow.setWindow(&form);
    form.show();
    return QApplication::exec();
}
