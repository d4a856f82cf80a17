// SelectColor driven through Qt's colour dialog, offscreen: the colour form
// it returns, cancel, the owner, and custom colours that never outlive one
// opening, neither in memory nor in a settings file.

#include "CommonDialogs.h"
#include "ModalAnswers.h"
#include "StoreFiles.h"
#include "TestMain.h"

#include <QColorDialog>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace quorvix::test;

namespace {

bool allQtCustomColorsBlack()
{
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        if (QColorDialog::customColor(i).rgb() != QColor(Qt::black).rgb())
            return false;
    }
    return true;
}

bool allCustomColorBytesZero()
{
    for (quint8 b : Module1::CustomColors) {
        if (b != 0)
            return false;
    }
    return true;
}

// The dialog's own "add to custom colours" button, which stores the current
// colour in the next custom slot.
QPushButton* addCustomColorButton(QColorDialog* d)
{
    for (QPushButton* b : d->findChildren<QPushButton*>()) {
        if (b->text().contains(u"Custom"_s, Qt::CaseInsensitive))
            return b;
    }
    return nullptr;
}

qint32 chooseColor(const QColor& color)
{
    whenModal<QColorDialog>([color](QColorDialog* d) {
        d->setCurrentColor(color);
        d->accept();
    });
    return Module1::SelectColor();
}

} // namespace

class TestSelectColor : public QObject
{
    Q_OBJECT

private slots:
    void cancelOrCloseChoosesNothing()
    {
        whenModal<QColorDialog>([](QColorDialog* d) {
            d->setCurrentColor(Qt::red);
            d->reject();
        });
        QCOMPARE(Module1::SelectColor(), -1);
        whenModal<QColorDialog>([](QColorDialog* d) {
            d->setCurrentColor(Qt::red);
            d->close();
        });
        QCOMPARE(Module1::SelectColor(), -1);
    }

    void colourForm_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<qint32>("value");
        QTest::newRow("black is 0, not -1") << QColor(0, 0, 0) << qint32(0);
        QTest::newRow("red in the low byte") << QColor(1, 2, 3) << qint32(0x030201);
        QTest::newRow("pure red") << QColor(255, 0, 0) << qint32(0x0000FF);
        QTest::newRow("pure blue") << QColor(0, 0, 255) << qint32(0xFF0000);
        QTest::newRow("white") << QColor(255, 255, 255) << qint32(0xFFFFFF);
        QTest::newRow("from another colour model") << QColor::fromHsv(120, 255, 255) << qint32(0x00FF00);
    }
    void colourForm()
    {
        QFETCH(QColor, color);
        QFETCH(qint32, value);
        QCOMPARE(chooseColor(color), value);
    }

    void opensAtBlackWithoutAlpha()
    {
        QColor startColor;
        bool qtDialog = false, alpha = true;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            startColor = d->currentColor();
            qtDialog = d->testOption(QColorDialog::DontUseNativeDialog);
            alpha = d->testOption(QColorDialog::ShowAlphaChannel);
            d->accept();
        });
        QCOMPARE(Module1::SelectColor(), 0);
        QCOMPARE(startColor.rgb(), QColor(Qt::black).rgb());
        QVERIFY(qtDialog);
        QVERIFY(!alpha);
    }

    void ownedByTheActiveModalWindow()
    {
        // Stands in for the account window, which is modal while its swatches are clicked.
        QDialog accountWindow;
        accountWindow.setModal(true);
        accountWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&accountWindow));
        QWidget* owner = nullptr;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            owner = d->parentWidget();
            d->reject();
        });
        QCOMPARE(Module1::SelectColor(), -1);
        QCOMPARE(owner, &accountWindow);
    }

    void customColoursAreBlackAtEveryOpening()
    {
        // First opening: the user defines two custom colours and confirms.
        bool blackAtFirstOpening = false;
        bool addButtonFound = false;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            blackAtFirstOpening = allQtCustomColorsBlack();
            QPushButton* add = addCustomColorButton(d);
            addButtonFound = add;
            if (add) {
                d->setCurrentColor(QColor(10, 20, 30));
                add->click();
                d->setCurrentColor(QColor(200, 100, 50));
                add->click();
            }
            d->accept();
        });
        QCOMPARE(Module1::SelectColor(), qint32(0x3264C8));
        QVERIFY(blackAtFirstOpening);
        QVERIFY(addButtonFound);
        // After OK the user's custom colours are copied back, red first.
        const std::array<quint8, 8> firstTwo{10, 20, 30, 0, 200, 100, 50, 0};
        QVERIFY(std::equal(firstTwo.begin(), firstTwo.end(), Module1::CustomColors.begin()));
        QVERIFY(std::all_of(Module1::CustomColors.begin() + 8, Module1::CustomColors.end(),
                            [](quint8 b) { return b == 0; }));
        // Nothing of that opening stays in Qt's process-wide custom colours.
        QVERIFY(allQtCustomColorsBlack());

        // Next opening: black again, and after Cancel the array is all zero.
        bool blackAtSecondOpening = false;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            blackAtSecondOpening = allQtCustomColorsBlack();
            d->reject();
        });
        QCOMPARE(Module1::SelectColor(), -1);
        QVERIFY(blackAtSecondOpening);
        QVERIFY(allCustomColorBytesZero());
    }

    void customColoursSetByOthersDoNotLeakIn()
    {
        QColorDialog::setCustomColor(3, QColor(Qt::yellow));
        std::fill(Module1::CustomColors.begin(), Module1::CustomColors.end(), quint8(0xAB));
        bool black = false;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            black = allQtCustomColorsBlack();
            d->accept();
        });
        QCOMPARE(Module1::SelectColor(), 0);
        QVERIFY(black);
        QVERIFY(allCustomColorBytesZero());
    }

    // Runs last: Qt would otherwise save the custom colours to a settings
    // file of its own and read them back at the next start.
    void leavesNothingInTheConfigFolder()
    {
        QVERIFY(!qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty());
        QCOMPARE(configFolderEntries(), QStringList());
    }
};

QUORVIX_TEST_MAIN(TestSelectColor)
#include "tst_select_color.moc"
