#include "ApplicationSetup.h"
#include "Module1.h"
#include "OneWindowPerStore.h"
#include "StoreMessages.h"
#include "optionform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    options::setUpApplication(app);

    options::OneWindowPerStore oneWindow(Module1::StoreIdentityFile());
    if (oneWindow.anotherWindowIsOpen()) {
        if (oneWindow.startProblem().isEmpty())
            return 0; // the open window came forward
        accounts::showWarning(nullptr, oneWindow.startProblem());
        return 1;
    }

    optionform form;
    oneWindow.setWindow(&form);
    form.show();
    return QApplication::exec();
}
