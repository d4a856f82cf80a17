// The small shared widgets: twip conversion, colour values, the colour
// swatch, the drop-down list, the balloon shape and the program's icon.

#include "TestMain.h"

#include "AppIcon.h"
#include "BgrColor.h"
#include "ColorSwatch.h"
#include "DropDownList.h"
#include "FormLayout.h"
#include "RoundedShape.h"
#include "TabControl.h"
#include "Twips.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>

using namespace controls;

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void twipsFollowTheLogicalResolution()
    {
        const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
        QCOMPARE(twipsPerPixelX(), 1440.0 / dpi);
        QCOMPARE(twipsToPixelsX(1440), qRound(dpi));
        QCOMPARE(twipsToPixelsX(0), 0);
        QCOMPARE(pixelsToTwipsX(dpi), 1440.0);
        const QRect r = twipsRect(1440, 720, 2880, 1440);
        QCOMPARE(r, QRect(qRound(dpi), qRound(dpi / 2), qRound(2 * dpi), qRound(dpi)));
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(qRound(screenWidthTwips()), qRound(screen.width() * twipsPerPixelX()));
        QCOMPARE(qRound(screenHeightTwips()), qRound(screen.height() * twipsPerPixelY()));
    }

    void coloursKeepRedInTheLowByte()
    {
        QCOMPARE(colorFromBgr(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(colorFromBgr(0xFFFF80), QColor(128, 255, 255));
        QCOMPARE(colorFromBgr(0), QColor(0, 0, 0));
        // The high byte carries nothing.
        QCOMPARE(colorFromBgr(qint32(0xFF0000FFu)), QColor(255, 0, 0));
        QCOMPARE(bgrFromColor(QColor(128, 255, 255)), 16777088);
        for (const qint32 value : {0, 0xFF, 0xFF00, 0xFF0000, 0xFFFFFF, 0x123456})
            QCOMPARE(bgrFromColor(colorFromBgr(value)), value);
    }

    void swatchShowsItsColourAndReportsClicks()
    {
        ColorSwatch swatch;
        swatch.resize(40, 20);
        swatch.setBackColor(0xFFFF80);
        QCOMPARE(swatch.BackColor(), 0xFFFF80);
        QCOMPARE(swatch.palette().color(QPalette::Window), QColor(128, 255, 255));
        QVERIFY(swatch.autoFillBackground());
        QCOMPARE(swatch.focusPolicy(), Qt::NoFocus);

        QSignalSpy clicks(&swatch, &ColorSwatch::clicked);
        QTest::mouseClick(&swatch, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QTest::mouseClick(&swatch, Qt::RightButton);
        QCOMPARE(clicks.count(), 1);
        // Pressed on the swatch but let go elsewhere: no click.
        QTest::mousePress(&swatch, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&swatch, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(clicks.count(), 1);
    }

    void dropDownListNeverSelectsOnItsOwn()
    {
        DropDownList list;
        QVERIFY(!list.isEditable());
        QSignalSpy selected(&list, &DropDownList::itemSelected);
        list.addItem(QStringLiteral("Nothing"));
        list.addItems({QStringLiteral("Read"), QStringLiteral("Wave")});
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(selected.count(), 0);

        list.setCurrentIndex(2);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toInt(), 2);

        list.clear();
        QCOMPARE(selected.count(), 1);
        list.addItem(QStringLiteral("again"));
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(selected.count(), 1);
    }

    void dropDownListTakesNoTypedText()
    {
        DropDownList list;
        list.addItems({QStringLiteral("8"), QStringLiteral("9")});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTest::keyClicks(&list, QStringLiteral("72"));
        QVERIFY(list.currentText() != QStringLiteral("72"));
        QCOMPARE(list.count(), 2);
    }

    void roundedShapeIsWhiteInsideWithABlackOutline()
    {
        RoundedShape shape;
        shape.resize(121, 57);
        const QImage image = shape.grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        QCOMPARE(image.pixelColor(QPoint(60, 28) * ratio), QColor(Qt::white));
        // The outline runs along the middle of the top edge.
        QVERIFY(qGray(image.pixel(int(60 * ratio), 0)) < 128);
        QVERIFY(shape.testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    void tabsShareTheWholeRow()
    {
        TabControl tabs;
        tabs.resize(377, 425);
        for (const char* name : {"a", "bb", "ccc", "dddd"})
            tabs.addTab(new QWidget, QLatin1String(name));
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        const QTabBar* bar = tabs.tabBar();
        QCOMPARE(bar->count(), 4);
        QCOMPARE(bar->tabRect(0).top(), bar->tabRect(3).top());
        QVERIFY(qAbs(bar->tabRect(0).width() - bar->tabRect(1).width()) <= 1);
        QVERIFY(bar->tabRect(3).right() >= tabs.width() - 8);
    }

    void aHiddenPageShowsItsTextsOnceShown()
    {
        QTabWidget tabs;
        tabs.addTab(new QWidget, QStringLiteral("open"));
        auto* page = new QWidget;
        tabs.addTab(page, QStringLiteral("later"));
        auto* box = new QLineEdit(page);
        box->setAttribute(Qt::WA_InputMethodEnabled, true);
        auto* secret = new QLineEdit(page);
        secret->setEchoMode(QLineEdit::Password);
        layOutTextsWhenShown(page);
        box->setText(QStringLiteral("全部で@1通"));
        QCOMPARE(box->text(), QStringLiteral("全部で@1通"));
        QCOMPARE(box->displayText(), QString());
        tabs.show();
        tabs.setCurrentIndex(1);
        QCOMPARE(box->displayText(), QStringLiteral("全部で@1通"));
        QCOMPARE(box->echoMode(), QLineEdit::Normal);
        QVERIFY(box->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(secret->echoMode(), QLineEdit::Password);
    }

    void theIconHasTheWindowSizes()
    {
        const QIcon icon = applicationIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        // Not a blank square: the small size still has opaque and clear pixels.
        const QImage small = icon.pixmap(QSize(16, 16)).toImage();
        QVERIFY(qAlpha(small.pixel(8, 8)) == 255);
        QVERIFY(qAlpha(small.pixel(0, 0)) < 255);
    }
};

QUORVIX_TEST_MAIN(TestControls)
#include "tst_controls.moc"
