#include "FlexGrid.h"

#include "BgrColor.h"
#include "Twips.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace controls {

FlexGrid::FlexGrid(QWidget* parent, int columns)
    : QWidget(parent), columns_(columns), colWidthTwips_(std::size_t(columns), kStyleWidth)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QTableWidget* FlexGrid::view() const
{
    if (!table_)
        const_cast<FlexGrid*>(this)->createView();
    return table_;
}

void FlexGrid::createView()
{
    table_ = new QTableWidget(0, columns_, this);
    layout()->addWidget(table_);
    // Made after the window arranged its tab order: the table takes the
    // grid's place in it, after the control that takes the focus before the grid.
    QWidget* before = previousInFocusChain();
    while (before != this && before->focusPolicy() == Qt::NoFocus)
        before = before->previousInFocusChain();
    if (before != this)
        QWidget::setTabOrder(before, table_);
    setFocusProxy(table_);
    table_->setAccessibleName(accessibleName());

    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);

    // The fixed top row: an empty header line that stays put while the rows scroll.
    QHeaderView* header = table_->horizontalHeader();
    for (int c = 0; c < columns_; ++c)
        table_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setStretchLastSection(false);
    // Narrow columns such as the check mark must be as narrow as asked.
    header->setMinimumSectionSize(1);
    for (int c = 0; c < columns_; ++c) {
        int& twips = colWidthTwips_[std::size_t(c)];
        if (twips == kStyleWidth)
            twips = qRound(pixelsToTwipsX(header->sectionSize(c)));
        else
            header->resizeSection(c, twipsToPixelsX(twips));
    }

    table_->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);
    connect(table_, &QTableWidget::currentCellChanged, this, [this] { syncFromView(); });
    updateMetrics();
    if (isVisible()) {
        layout()->activate();
        table_->show();
    }
}

void FlexGrid::showEvent(QShowEvent* event)
{
    view();
    QWidget::showEvent(event);
}

void FlexGrid::AddItem(const QString& item)
{
    const int tableRow = view()->rowCount();
    view()->insertRow(tableRow);
    const QStringList texts = item.split(QLatin1Char('\t'));
    for (int c = 0; c < columns_; ++c)
        view()->setItem(tableRow, c, new QTableWidgetItem(c < texts.size() ? texts.at(c) : QString()));
}

void FlexGrid::RemoveItem(int row)
{
    if (row < 1 || row >= Rows())
        return;
    view()->removeRow(row - 1);
    syncFromView();
}

int FlexGrid::Rows() const
{
    return table_ ? table_->rowCount() + 1 : 1;
}

void FlexGrid::setRow(int row)
{
    if (row < 0 || row >= Rows() || row == row_)
        return;
    row_ = row;
    if (row == 0)
        view()->setCurrentIndex(QModelIndex());
    else
        view()->setCurrentCell(row - 1, col_);
    emit currentCellChanged(row_, col_);
}

void FlexGrid::setCol(int col)
{
    if (col < 0 || col >= columns_ || col == col_)
        return;
    col_ = col;
    if (row_ > 0)
        view()->setCurrentCell(row_ - 1, col);
    emit currentCellChanged(row_, col_);
}

QTableWidgetItem* FlexGrid::cell(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= columns_)
        return nullptr;
    return row == 0 ? view()->horizontalHeaderItem(col) : view()->item(row - 1, col);
}

QString FlexGrid::Text() const
{
    return TextMatrix(row_, col_);
}

void FlexGrid::setText(const QString& text)
{
    if (QTableWidgetItem* item = cell(row_, col_))
        item->setText(text);
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    const QTableWidgetItem* item = cell(row, col);
    return item ? item->text() : QString();
}

qint32 FlexGrid::cellForeColorAt(int row, int col) const
{
    const QTableWidgetItem* item = cell(row, col);
    if (!item || row == 0 || item->foreground().style() == Qt::NoBrush)
        return bgrFromColor(view()->palette().color(QPalette::Text));
    return bgrFromColor(item->foreground().color());
}

qint32 FlexGrid::cellBackColorAt(int row, int col) const
{
    const QTableWidgetItem* item = cell(row, col);
    if (!item || row == 0 || item->background().style() == Qt::NoBrush)
        return bgrFromColor(view()->palette().color(QPalette::Base));
    return bgrFromColor(item->background().color());
}

qint32 FlexGrid::CellForeColor() const
{
    return cellForeColorAt(row_, col_);
}
qint32 FlexGrid::CellBackColor() const
{
    return cellBackColorAt(row_, col_);
}

void FlexGrid::setCellForeColor(qint32 bgr)
{
    if (QTableWidgetItem* item = cell(row_, col_); item && row_ > 0)
        item->setForeground(colorFromBgr(bgr));
}

void FlexGrid::setCellBackColor(qint32 bgr)
{
    if (QTableWidgetItem* item = cell(row_, col_); item && row_ > 0)
        item->setBackground(colorFromBgr(bgr));
}

int FlexGrid::ColWidth(int col) const
{
    if (col < 0 || col >= columns_)
        return 0;
    if (colWidthTwips_[std::size_t(col)] == kStyleWidth)
        view(); // the style's default is known once there is a table
    return colWidthTwips_[std::size_t(col)];
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= columns_ || twips < 0)
        return;
    colWidthTwips_[std::size_t(col)] = twips;
    if (table_)
        table_->horizontalHeader()->resizeSection(col, twipsToPixelsX(twips));
}

QRect FlexGrid::cellRect(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= columns_)
        return {};
    QHeaderView* header = view()->horizontalHeader();
    if (row == 0) {
        const QRect r(header->sectionViewportPosition(col), 0, header->sectionSize(col), header->height());
        return r.translated(header->viewport()->mapTo(this, QPoint(0, 0)));
    }
    const QRect r = view()->visualRect(view()->model()->index(row - 1, col));
    return r.translated(view()->viewport()->mapTo(this, QPoint(0, 0)));
}

void FlexGrid::syncFromView()
{
    const QModelIndex current = view()->currentIndex();
    const int row = current.isValid() ? current.row() + 1 : 0;
    const int col = current.isValid() ? current.column() : col_;
    if (row == row_ && col == col_)
        return;
    row_ = row;
    col_ = col;
    emit currentCellChanged(row_, col_);
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (!table_)
        return QWidget::eventFilter(watched, event);
    const bool onCells = watched == table_->viewport();
    const bool onFixedRow = watched == table_->horizontalHeader()->viewport();
    if (!onCells && !onFixedRow)
        return QWidget::eventFilter(watched, event);

    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);

    auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton) {
        emit dblClick();
        return true;
    }
    // The press is handled here, not by the view: the view would also move the
    // current cell on right and middle presses.
    if (onCells && mouse->button() == Qt::LeftButton) {
        const QModelIndex index = view()->indexAt(mouse->position().toPoint());
        if (index.isValid()) {
            setCol(index.column());
            setRow(index.row() + 1);
        }
    }
    view()->setFocus(Qt::MouseFocusReason);
    reportPress(watched, mouse->position(), mouse->button(), mouse->modifiers());
    return true;
}

void FlexGrid::reportPress(QObject* source, const QPointF& position, Qt::MouseButton button,
                           Qt::KeyboardModifiers modifiers)
{
    int vbButton = 0;
    if (button == Qt::LeftButton)
        vbButton = LeftButton;
    else if (button == Qt::RightButton)
        vbButton = RightButton;
    else if (button == Qt::MiddleButton)
        vbButton = MiddleButton;
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= AltMask;
    const QPointF local = static_cast<QWidget*>(source)->mapTo(this, position);
    emit mouseDown(vbButton, shift, float(pixelsToTwipsX(local.x())), float(pixelsToTwipsY(local.y())));
}

void FlexGrid::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange && table_)
        updateMetrics();
    QWidget::changeEvent(event);
}

void FlexGrid::updateMetrics()
{
    // Rows as high as the text plus a little air, and the fixed row like the others.
    const int rowHeight = fontMetrics().height() + 4;
    view()->verticalHeader()->setMinimumSectionSize(rowHeight);
    view()->verticalHeader()->setDefaultSectionSize(rowHeight);
    view()->horizontalHeader()->setFixedHeight(rowHeight);
}

} // namespace controls
