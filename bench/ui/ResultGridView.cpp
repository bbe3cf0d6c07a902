#include "bench/ui/ResultGridView.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "bench/ResultGrid.h"

namespace {

constexpr int kColumnWidths[4] = {207, 327, 300, 300};
constexpr int kGridWidth = 585;
constexpr int kRowHeight = 20;
// The system colour of inactive window captions of the bench PCs (Windows' default); Qt's
// palettes have no such role.
const QColor kInactiveCaption(191, 205, 219);

// Column 2 of every row but the header is a strip: pure red when column 3 holds "1", else the
// colour of inactive window captions.
class StripDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    if (index.column() != 2 || index.row() == 0) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const bool failed = index.sibling(index.row(), 3).data().toString() == QLatin1String("1");
    painter->fillRect(option.rect, failed ? QColor(Qt::red) : kInactiveCaption);
  }
};

}  // namespace

QTableWidget* ResultGridView::makeGrid(QWidget* parent) {
  auto* grid = new QTableWidget(2, 4, parent);
  grid->setObjectName(QStringLiteral("StringGridTest"));
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  for (int c = 0; c < 4; ++c) grid->setColumnWidth(c, kColumnWidths[c]);
  grid->setFixedWidth(kGridWidth);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid->setItemDelegate(new StripDelegate(grid));
  return grid;
}

ResultGridView::ResultGridView(QTableWidget* grid, ResultGrid& rows)
    : QObject(grid), grid_(grid), rows_(rows) {
  connect(&rows_, &ResultGrid::changed, this, &ResultGridView::redrawFrom, Qt::QueuedConnection);
  redrawFrom(0);
}

void ResultGridView::redrawFrom(int firstRow) {
  const QVector<ResultGrid::Row> rows = rows_.rows();
  const int current = rows_.currentRow();
  const bool grew = rows.size() != grid_->rowCount();
  if (grew) {
    grid_->setRowCount(int(rows.size()));
    firstRow = std::min(firstRow, int(rows.size()));
  }
  // Several changes may arrive as one: redraw from the first, and only what differs.
  for (int r = std::max(0, firstRow - 1); r < rows.size(); ++r) {
    const ResultGrid::Row& row = rows[r];
    const QString cells[4] = {row.step, row.state, row.strip, row.verdict};
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* item = grid_->item(r, c);
      if (!item) grid_->setItem(r, c, item = new QTableWidgetItem);
      if (item->text() != cells[c]) item->setText(cells[c]);
    }
  }
  grid_->selectRow(current);
  if (grew) grid_->scrollToBottom();
}
