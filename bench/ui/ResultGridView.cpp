#include "bench/ui/ResultGridView.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "bench/ResultGrid.h"

namespace {

// The step column's narrowest width; it grows to the longest step name.
constexpr int kStepMinWidth = 207;
// The state column never gets narrower than this when the window is small.
constexpr int kStateMinWidth = 160;
constexpr int kStripWidth = 24;
constexpr int kRowHeight = 20;
// Room beside a cell's text: the cell margins and the focus frame.
constexpr int kCellPadding = 16;
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
  grid->setHorizontalHeaderLabels({QString(), QString(), QString(), QString()});
  QHeaderView* header = grid->horizontalHeader();
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionResizeMode(0, QHeaderView::Interactive);
  header->setSectionResizeMode(1, QHeaderView::Stretch);
  header->setSectionResizeMode(2, QHeaderView::Fixed);
  header->setMinimumSectionSize(kStripWidth);
  grid->setColumnWidth(0, kStepMinWidth);
  grid->setColumnWidth(2, kStripWidth);
  grid->setColumnHidden(3, true);
  grid->setRowHidden(0, true);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setTextElideMode(Qt::ElideRight);
  grid->setWordWrap(false);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid->setItemDelegate(new StripDelegate(grid));
  return grid;
}

ResultGridView::ResultGridView(QTableWidget* grid, ResultGrid& rows)
    : QObject(grid), grid_(grid), rows_(rows) {
  connect(&rows_, &ResultGrid::changed, this, &ResultGridView::redrawFrom, Qt::QueuedConnection);
  fitStep(QString());
  redrawFrom(0);
}

void ResultGridView::fitStep(const QString& text) {
  const int needed = grid_->fontMetrics().horizontalAdvance(text) + kCellPadding;
  if (needed > grid_->columnWidth(0)) grid_->setColumnWidth(0, needed);
  // However small the window, the step names are never cut: the grid keeps room for them.
  const int frame = 2 * grid_->frameWidth() + grid_->verticalScrollBar()->sizeHint().width();
  grid_->setMinimumWidth(grid_->columnWidth(0) + kStateMinWidth + kStripWidth + frame);
}

void ResultGridView::redrawFrom(int firstRow) {
  const QVector<ResultGrid::Row> rows = rows_.rows();
  const int current = rows_.currentRow();
  const bool writing = rows_.writing();
  const bool grew = rows.size() != grid_->rowCount();
  if (grew) {
    if (rows.size() < grid_->rowCount()) grid_->setColumnWidth(0, kStepMinWidth);  // a new run
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
    if (r == 0) {
      if (grid_->horizontalHeaderItem(0)->text() != row.step ||
          grid_->horizontalHeaderItem(1)->text() != row.state)
        grid_->setHorizontalHeaderLabels({row.step, row.state, QString(), QString()});
    } else {
      fitStep(row.step);
    }
    // Row 0 is the header; the empty row a finished run leaves is nobody's.
    grid_->setRowHidden(r, r == 0 || (r == current && !writing && row.empty()));
  }
  if (writing) {
    grid_->selectRow(current);
    if (grew) grid_->scrollToBottom();
  } else {
    grid_->clearSelection();
    grid_->setCurrentItem(nullptr);
  }
}
