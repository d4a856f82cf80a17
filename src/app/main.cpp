#include "ApplicationSetup.h"
#include "Module1.h"
#include "OneWindowPerStore.h"
#include "optionform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    options::setUpApplication(app);

    options::OneWindowPerStore oneWindow(Module1::StoreFile());
    if (oneWindow.anotherWindowIsOpen())
        return 0;

    optionform form;
    oneWindow.setWindow(&form);
    form.show();
    return QApplication::exec();
}
