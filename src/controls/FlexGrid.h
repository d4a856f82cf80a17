#pragma once

// The account grid: a table with the numbering and the small set of
// operations the options window and the account window use on it.
//
// Row 0 is the fixed top row. It is drawn as the table's header line, holds no
// account and is never scrolled away; account rows are 1 .. Rows() - 1. Row()
// and Col() name the current cell, which Text and the cell colours act on.
// Cells cannot be edited. A left press on a cell makes it current before
// mouseDown is reported; presses with other buttons, or outside the cells,
// leave the current cell alone.

#include <QString>
#include <QWidget>

#include <vector>

class QTableWidget;
class QTableWidgetItem;

namespace controls {

class FlexGrid : public QWidget
{
    Q_OBJECT

public:
    // Mouse buttons and shift keys as mouseDown reports them.
    enum Button { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    enum Shift { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

    explicit FlexGrid(QWidget* parent = nullptr, int columns = 2);

    // Appends a row; a TAB separates the texts of consecutive cells. Cells
    // beyond the text stay empty, texts beyond the last column are dropped.
    void AddItem(const QString& item);
    // Removes an account row; the rows below move up. Row 0 and rows that do
    // not exist are left alone.
    void RemoveItem(int row);

    // Number of rows, the fixed row 0 included.
    int Rows() const;
    int Cols() const { return columns_; }

    int Row() const { return row_; }
    // Out-of-range values are ignored.
    void setRow(int row);
    int Col() const { return col_; }
    void setCol(int col);

    // Text of the current cell.
    QString Text() const;
    void setText(const QString& text);
    QString TextMatrix(int row, int col) const;

    // Colours of the current cell as &H00BBGGRR. Setting them on row 0 does nothing.
    qint32 CellForeColor() const;
    void setCellForeColor(qint32 bgr);
    qint32 CellBackColor() const;
    void setCellBackColor(qint32 bgr);
    qint32 cellForeColorAt(int row, int col) const;
    qint32 cellBackColorAt(int row, int col) const;

    // Column width in twips, as last set (the style's default before that).
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);

    bool Visible() const { return !isHidden(); }

    // Where a cell is drawn, in this widget's coordinates (empty when it is not shown).
    QRect cellRect(int row, int col) const;
    // The table is made when the grid is first shown or first holds a row:
    // a grid on a page not yet opened costs the start nothing.
    QTableWidget* table() const { return view(); }

signals:
    // Any mouse press over the grid; X and Y in twips from the grid's top-left corner.
    void mouseDown(int button, int shift, float x, float y);
    // Left double-click; the first press has already been reported by mouseDown.
    void dblClick();
    // The current cell moved, by code, by a press or by the keyboard.
    void currentCellChanged(int row, int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QTableWidget* view() const;
    void createView();
    QTableWidgetItem* cell(int row, int col) const;
    void syncFromView();
    void reportPress(QObject* source, const QPointF& position, Qt::MouseButton button,
                     Qt::KeyboardModifiers modifiers);
    void updateMetrics();

    static constexpr int kStyleWidth = -1; // a column not yet given a width

    QTableWidget* table_ = nullptr;
    int columns_;
    int row_ = 0;
    int col_ = 0;
    std::vector<int> colWidthTwips_;
};

} // namespace controls
