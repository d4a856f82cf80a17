// The platform asked for before the application starts: X through XWayland on
// a Wayland session that has it, nothing where the user chose or X is absent.

#include "DisplayPlatform.h"
#include "TestMain.h"

using app::DisplayEnvironment;

class TestDisplayPlatform : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QByteArray>("qpa");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QByteArray>("x11");
        QTest::addColumn<bool>("argument");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("gnome on wayland") << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland")
                                          << QByteArray(":0") << false << QByteArray("xcb;wayland");
        QTest::newRow("session type only") << QByteArray() << QByteArray() << QByteArray("wayland")
                                           << QByteArray(":1") << false << QByteArray("xcb;wayland");
        QTest::newRow("no xwayland") << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland")
                                     << QByteArray() << false << QByteArray();
        QTest::newRow("x11 session") << QByteArray() << QByteArray() << QByteArray("x11") << QByteArray(":0")
                                     << false << QByteArray();
        QTest::newRow("user chose wayland")
            << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
            << false << QByteArray();
        QTest::newRow("-platform argument")
            << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0") << true
            << QByteArray();
    }
    void choice()
    {
        QFETCH(QByteArray, qpa);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, session);
        QFETCH(QByteArray, x11);
        QFETCH(bool, argument);
        QFETCH(QByteArray, expected);
        DisplayEnvironment environment{qpa, wayland, session, x11, argument};
        QCOMPARE(app::preferredPlatform(environment), expected);
    }

    void argumentIsSeen()
    {
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("DISPLAY", ":0");
        char program[] = "quorvix-options";
        char option[] = "-platform";
        char value[] = "wayland";
        char* withArgument[] = {program, option, value};
        app::choosePlatform(3, withArgument);
        QVERIFY(qgetenv("QT_QPA_PLATFORM").isEmpty());
        app::choosePlatform(1, withArgument);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
    }
};

QUORVIX_TEST_MAIN_CORE(TestDisplayPlatform)
#include "tst_display_platform.moc"
