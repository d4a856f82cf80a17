// The account grid's own numbering: the fixed row 0, rows appended and
// removed, the current cell, its colours, and how presses move the current
// row before they are reported.

#include "TestMain.h"

#include "FlexGrid.h"
#include "Twips.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>

using controls::FlexGrid;

namespace {

// A grid with one row per text, each row coloured by its number.
void fill(FlexGrid& grid, const QStringList& rows)
{
    for (const QString& row : rows)
        grid.AddItem(row);
}

QStringList column0(const FlexGrid& grid)
{
    QStringList texts;
    for (int r = 1; r < grid.Rows(); ++r)
        texts << grid.TextMatrix(r, 0);
    return texts;
}

} // namespace

class TestFlexGrid : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheFixedRowOnly()
    {
        QWidget page;
        FlexGrid grid(&page);
        QCOMPARE(grid.Rows(), 1);
        QCOMPARE(grid.Cols(), 2);
        QCOMPARE(grid.Row(), 0);
        QCOMPARE(grid.Col(), 0);
        QCOMPARE(grid.Text(), QString());
        QVERIFY(grid.Visible());
    }

    void aGridFirstShownMakesItsTableInItsPlace()
    {
        QWidget page;
        auto* before = new QLineEdit(&page);
        auto* grid = new FlexGrid(&page);
        auto* after = new QLineEdit(&page);
        QWidget::setTabOrder(before, grid);
        QWidget::setTabOrder(grid, after);
        grid->setAccessibleName(QStringLiteral("ｱｶｳﾝﾄ"));
        grid->setColWidth(1, 320);
        QVERIFY(!grid->findChild<QTableWidget*>()); // a page never opened costs no table
        QCOMPARE(grid->ColWidth(1), 320);

        page.show();
        auto* table = grid->findChild<QTableWidget*>();
        QVERIFY(table && table->isVisible());
        QCOMPARE(table->horizontalHeader()->sectionSize(1), controls::twipsToPixelsX(320));
        QCOMPARE(table->accessibleName(), QStringLiteral("ｱｶｳﾝﾄ"));
        QCOMPARE(grid->focusProxy(), table);
        const auto nextTakingFocus = [](QWidget* w) {
            do
                w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus);
            return w;
        };
        QCOMPARE(nextTakingFocus(before), table);
        QCOMPARE(nextTakingFocus(table), after);
    }

    void addItemSplitsAtTabsAndLeavesTheCurrentRow()
    {
        FlexGrid grid;
        grid.AddItem(QStringLiteral("home(mailhost)\t○"));
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Row(), 0);
        QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("home(mailhost)"));
        QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("○"));
        // Row 0 stays empty: it is no account.
        QCOMPARE(grid.TextMatrix(0, 0), QString());

        grid.AddItem(QStringLiteral("only one cell"));
        grid.AddItem(QStringLiteral("a\tb\tdropped"));
        grid.AddItem(QString());
        QCOMPARE(grid.Rows(), 5);
        QCOMPARE(grid.TextMatrix(2, 1), QString());
        QCOMPARE(grid.TextMatrix(3, 0), QStringLiteral("a"));
        QCOMPARE(grid.TextMatrix(3, 1), QStringLiteral("b"));
        QCOMPARE(grid.TextMatrix(4, 0), QString());
    }

    void appendingARowTheWayTheWindowsDo()
    {
        // AddItem, Row = Rows - 1, then each column coloured in turn.
        FlexGrid grid;
        fill(grid, {QStringLiteral("a(x)\t○"), QStringLiteral("b(y)\t×")});
        grid.AddItem(QStringLiteral("c(z)\t○"));
        grid.setRow(grid.Rows() - 1);
        QCOMPARE(grid.Row(), 3);
        for (int col = 0; col < 2; ++col) {
            grid.setCol(col);
            grid.setCellForeColor(0x0000FF);
            grid.setCellBackColor(0xFFFF80);
        }
        for (int col = 0; col < 2; ++col) {
            QCOMPARE(grid.cellForeColorAt(3, col), 0x0000FF);
            QCOMPARE(grid.cellBackColorAt(3, col), 0xFFFF80);
        }
        // The other rows keep the grid's own colours.
        QVERIFY(grid.cellBackColorAt(2, 0) != 0xFFFF80);
        QCOMPARE(grid.CellBackColor(), 0xFFFF80);
        QCOMPARE(grid.CellForeColor(), 0x0000FF);

        // The colour reaches the drawn cell: red is the low byte.
        const QTableWidgetItem* item = grid.table()->item(2, 0);
        QCOMPARE(item->foreground().color(), QColor(255, 0, 0));
        QCOMPARE(item->background().color(), QColor(128, 255, 255));
    }

    void rewritingACellInPlace()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("a(x)\t○"), QStringLiteral("b(y)\t○")});
        grid.setRow(2);
        grid.setCol(0);
        grid.setText(QStringLiteral("renamed(y)"));
        grid.setCol(1);
        grid.setText(QStringLiteral("×"));
        QCOMPARE(grid.TextMatrix(2, 0), QStringLiteral("renamed(y)"));
        QCOMPARE(grid.TextMatrix(2, 1), QStringLiteral("×"));
        QCOMPARE(grid.Text(), QStringLiteral("×"));
        QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("a(x)"));
    }

    void colouringTheFixedRowDoesNothing()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("a\t○")});
        const qint32 back = grid.cellBackColorAt(0, 0);
        QCOMPARE(grid.Row(), 0);
        grid.setCellBackColor(0x00FF00);
        grid.setCellForeColor(0x00FF00);
        QCOMPARE(grid.cellBackColorAt(0, 0), back);
        QVERIFY(grid.cellBackColorAt(1, 0) != 0x00FF00);
    }

    void outOfRangeRowsAndColumnsAreIgnored()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("a\t○"), QStringLiteral("b\t○")});
        grid.setRow(2);
        grid.setRow(3);
        QCOMPARE(grid.Row(), 2);
        grid.setRow(-1);
        QCOMPARE(grid.Row(), 2);
        grid.setCol(1);
        grid.setCol(2);
        QCOMPARE(grid.Col(), 1);
        // Back to the fixed row is allowed.
        grid.setRow(0);
        QCOMPARE(grid.Row(), 0);
    }

    void removeItemMovesTheLaterRowsUp()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○"), QStringLiteral("3\t○"),
                    QStringLiteral("4\t○")});
        grid.setRow(2);
        grid.setCol(0);
        grid.setCellBackColor(0x123456);
        grid.RemoveItem(2);
        QCOMPARE(grid.Rows(), 4);
        QCOMPARE(column0(grid), (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4")}));
        // The colour went with its row.
        for (int r = 1; r < grid.Rows(); ++r)
            QVERIFY(grid.cellBackColorAt(r, 0) != 0x123456);
        // Whatever row is current, it is one that exists.
        QVERIFY(grid.Row() >= 0 && grid.Row() < grid.Rows());
    }

    void removeItemKeepsTheCurrentRowOnItsAccount()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○"), QStringLiteral("3\t○")});
        grid.setRow(3);
        grid.RemoveItem(1);
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(grid.Text(), QStringLiteral("3"));
    }

    void removingTheLastAccountRowLeavesTheFixedRow()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("only\t○")});
        grid.setRow(1);
        grid.RemoveItem(1);
        QCOMPARE(grid.Rows(), 1);
        QCOMPARE(grid.Row(), 0);
        // The grid takes rows again afterwards.
        grid.AddItem(QStringLiteral("again\t×"));
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("×"));
    }

    void removeItemIgnoresTheFixedRowAndMissingRows()
    {
        FlexGrid grid;
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○")});
        grid.RemoveItem(0);
        grid.RemoveItem(3);
        grid.RemoveItem(-1);
        QCOMPARE(grid.Rows(), 3);
    }

    void columnWidthsAreTwips()
    {
        FlexGrid grid;
        grid.setColWidth(0, 4960);
        grid.setColWidth(1, 320);
        QCOMPARE(grid.ColWidth(0), 4960);
        QCOMPARE(grid.ColWidth(1), 320);
        QCOMPARE(grid.table()->horizontalHeader()->sectionSize(0), controls::twipsToPixelsX(4960));
        QCOMPARE(grid.table()->horizontalHeader()->sectionSize(1), controls::twipsToPixelsX(320));
        grid.setColWidth(2, 100);
        QCOMPARE(grid.ColWidth(2), 0);
    }

    void visibleFollowsTheWidget()
    {
        QWidget page;
        FlexGrid grid(&page);
        grid.setVisible(false);
        QVERIFY(!grid.Visible());
        grid.setVisible(true);
        QVERIFY(grid.Visible());
    }

    void cellsCannotBeEdited()
    {
        FlexGrid grid;
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        fill(grid, {QStringLiteral("a\t○")});
        QCOMPARE(grid.table()->editTriggers(), QAbstractItemView::NoEditTriggers);
        const QPoint centre = grid.cellRect(1, 0).center();
        QTest::mouseDClick(grid.table()->viewport(), Qt::LeftButton, {},
                           grid.table()->viewport()->mapFrom(&grid, centre));
        QTest::keyClick(grid.table(), Qt::Key_F2);
        QTest::keyClicks(grid.table(), QStringLiteral("xyz"));
        QCOMPARE(grid.TextMatrix(1, 0), QStringLiteral("a"));
        QVERIFY(!grid.table()->findChild<QLineEdit*>());
    }

    void aLeftPressMakesTheRowCurrentBeforeItIsReported()
    {
        FlexGrid grid;
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○"), QStringLiteral("3\t○")});

        int rowSeen = -1;
        int colSeen = -1;
        connect(&grid, &FlexGrid::mouseDown, this, [&](int, int, float, float) {
            rowSeen = grid.Row();
            colSeen = grid.Col();
        });
        QSignalSpy presses(&grid, &FlexGrid::mouseDown);
        QWidget* cells = grid.table()->viewport();
        QTest::mousePress(cells, Qt::LeftButton, Qt::ShiftModifier,
                          cells->mapFrom(&grid, grid.cellRect(2, 1).center()));
        QTest::mouseRelease(cells, Qt::LeftButton, Qt::ShiftModifier,
                            cells->mapFrom(&grid, grid.cellRect(2, 1).center()));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(rowSeen, 2);
        QCOMPARE(colSeen, 1);
        QCOMPARE(presses.at(0).at(0).toInt(), int(FlexGrid::LeftButton));
        QCOMPARE(presses.at(0).at(1).toInt(), int(FlexGrid::ShiftMask));
        // The position is in twips from the grid's corner.
        const QPoint centre = grid.cellRect(2, 1).center();
        QCOMPARE(qRound(presses.at(0).at(2).toFloat()), qRound(controls::pixelsToTwipsX(centre.x())));
        QCOMPARE(qRound(presses.at(0).at(3).toFloat()), qRound(controls::pixelsToTwipsY(centre.y())));
    }

    void otherPressesLeaveTheCurrentRow_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("reported");
        QTest::addColumn<bool>("onFixedRow");
        QTest::newRow("right on a row") << int(Qt::RightButton) << int(FlexGrid::RightButton) << false;
        QTest::newRow("middle on a row") << int(Qt::MiddleButton) << int(FlexGrid::MiddleButton) << false;
        QTest::newRow("left on the fixed row") << int(Qt::LeftButton) << int(FlexGrid::LeftButton) << true;
        QTest::newRow("right on the fixed row") << int(Qt::RightButton) << int(FlexGrid::RightButton) << true;
    }

    void otherPressesLeaveTheCurrentRow()
    {
        QFETCH(int, button);
        QFETCH(int, reported);
        QFETCH(bool, onFixedRow);
        FlexGrid grid;
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○"), QStringLiteral("3\t○")});
        grid.setRow(1);

        QSignalSpy presses(&grid, &FlexGrid::mouseDown);
        const QPoint target = grid.cellRect(onFixedRow ? 0 : 3, 0).center();
        QWidget* receiver =
            onFixedRow ? grid.table()->horizontalHeader()->viewport() : grid.table()->viewport();
        QTest::mousePress(receiver, Qt::MouseButton(button), {}, receiver->mapFrom(&grid, target));
        QTest::mouseRelease(receiver, Qt::MouseButton(button), {}, receiver->mapFrom(&grid, target));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(presses.at(0).at(0).toInt(), reported);
        QCOMPARE(grid.Row(), 1);
    }

    void aPressBelowTheRowsIsReportedWithoutMovingTheRow()
    {
        FlexGrid grid;
        grid.resize(300, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy presses(&grid, &FlexGrid::mouseDown);
        // An empty grid: the press lands on no row and the current row stays 0.
        QTest::mouseClick(grid.table()->viewport(), Qt::LeftButton, {}, QPoint(20, 100));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(grid.Row(), 0);
    }

    void aDoubleClickIsReportedAfterItsFirstPress()
    {
        FlexGrid grid;
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○")});
        QStringList events;
        connect(&grid, &FlexGrid::mouseDown, this,
                [&] { events << QStringLiteral("down%1").arg(grid.Row()); });
        connect(&grid, &FlexGrid::dblClick, this, [&] { events << QStringLiteral("dbl%1").arg(grid.Row()); });
        QWidget* cells = grid.table()->viewport();
        const QPoint at = cells->mapFrom(&grid, grid.cellRect(2, 0).center());
        // What the window system delivers for a double-click: press, release,
        // double-click (instead of the second press), release.
        QTest::mousePress(cells, Qt::LeftButton, {}, at);
        QTest::mouseRelease(cells, Qt::LeftButton, {}, at);
        QMouseEvent second(QEvent::MouseButtonDblClick, at, cells->mapToGlobal(at), Qt::LeftButton,
                           Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(cells, &second);
        QTest::mouseRelease(cells, Qt::LeftButton, {}, at);
        QCOMPARE(events, (QStringList{QStringLiteral("down2"), QStringLiteral("dbl2")}));
    }

    void theKeyboardMovesTheCurrentRow()
    {
        FlexGrid grid;
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        fill(grid, {QStringLiteral("1\t○"), QStringLiteral("2\t○"), QStringLiteral("3\t○")});
        grid.setRow(1);
        QSignalSpy moves(&grid, &FlexGrid::currentCellChanged);
        QTest::keyClick(grid.table(), Qt::Key_Down);
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(moves.count(), 1);
        QCOMPARE(moves.at(0).at(0).toInt(), 2);
    }
};

QUORVIX_TEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
