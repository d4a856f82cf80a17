#include "ApplicationSetup.h"
#include "optionform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    options::setUpApplication(app);

    optionform form;
    form.show();
    return QApplication::exec();
}
