// One options window per store: a second start finds the open window, asks
// it to come forward and ends; a window that has ended frees the store.

#include "Module1.h"
#include "OneWindowPerStore.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QWidget>

using app::OneWindowPerStore;

class OneWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void secondStartBringsTheOpenWindowForward()
    {
        OneWindowPerStore first(Module1::StoreFilePath());
        QVERIFY(!first.anotherWindowIsOpen());
        QWidget window;
        window.show();
        first.setWindow(&window);
        QSignalSpy forward(&first, &OneWindowPerStore::broughtToFront);
        {
            OneWindowPerStore second(Module1::StoreFilePath());
            QVERIFY(second.anotherWindowIsOpen());
        }
        QTRY_COMPARE(forward.size(), 1);
        OneWindowPerStore otherStore(Module1::StoreFilePath() + QStringLiteral(".other"));
        QVERIFY(!otherStore.anotherWindowIsOpen());
    }

    void endedWindowFreesTheStore()
    {
        {
            OneWindowPerStore first(Module1::StoreFilePath());
            QVERIFY(!first.anotherWindowIsOpen());
        }
        OneWindowPerStore next(Module1::StoreFilePath());
        QVERIFY(!next.anotherWindowIsOpen());
    }
};

QUORVIX_TEST_MAIN(OneWindowTest)
#include "tst_onewindow.moc"
