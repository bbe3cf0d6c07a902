#include "params/ui/ParameterGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace {

const QColor kInactive(160, 160, 160);  // no inactive-caption colour here: a neutral grey

// Fills lamp cells of column 1 with their colour, covering the number.
class LampDelegate : public QStyledItemDelegate {
 public:
  LampDelegate(const ParameterGrid& binder, QObject* parent)
      : QStyledItemDelegate(parent), binder_(binder) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QColor colour = index.column() == 1 ? binder_.lampColour(index.row()) : QColor();
    if (colour.isValid())
      painter->fillRect(option.rect, colour);
    else
      QStyledItemDelegate::paint(painter, option, index);
  }

 private:
  const ParameterGrid& binder_;
};

// Rows as tall as the grid's font needs, also after the user has chosen another font.
class RowsFollowFont : public QObject {
 public:
  explicit RowsFollowFont(QTableWidget* grid) : QObject(grid), grid_(grid) {
    fit();
    grid->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == grid_ && event->type() == QEvent::FontChange) fit();
    return QObject::eventFilter(watched, event);
  }

 private:
  void fit() {
    const int height = grid_->fontMetrics().height() + 4;
    grid_->verticalHeader()->setMinimumSectionSize(height);
    grid_->verticalHeader()->setDefaultSectionSize(height);
    for (int row = 0; row < grid_->rowCount(); ++row) grid_->setRowHeight(row, height);
  }
  QTableWidget* grid_;
};

}  // namespace

ParameterGrid::ParameterGrid(QTableWidget* grid, ParameterTables& tables, ParameterTables::Id id,
                             Lamp lamp, std::function<bool()> online)
    : QObject(grid),
      grid_(grid),
      tables_(tables),
      id_(id),
      lamp_(lamp),
      online_(std::move(online)) {
  if (lamp_ != Lamp::None) grid_->setItemDelegate(new LampDelegate(*this, grid_));
  grid_->installEventFilter(this);
  connect(&tables_, &ParameterTables::structureChanged, this, &ParameterGrid::rebuild,
          Qt::QueuedConnection);
  connect(
      &tables_, &ParameterTables::valuesChanged, this,
      [this](int id) {
        if (id == id_) refreshValues();
      },
      Qt::QueuedConnection);
  rebuild();
}

QTableWidget* ParameterGrid::makeGrid(const QString& objectName, QWidget* parent) {
  auto* grid = new QTableWidget(0, 2, parent);
  grid->setObjectName(objectName);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setColumnWidth(0, 170);
  new RowsFollowFont(grid);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::NoSelection);
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return grid;
}

QColor ParameterGrid::lampColour(int row) const {
  const uint16_t v = tables_.bufferValue(id_, row);
  switch (lamp_) {
    case Lamp::NonZeroLime:
      return v ? QColor(0, 255, 0) : kInactive;
    case Lamp::Bit0Red:
      return (v & 1) ? QColor(255, 0, 0) : kInactive;
    case Lamp::NonZeroRedWhileOnline:
      if (!online_ || !online_()) return QColor();
      return v ? QColor(255, 0, 0) : kInactive;
    case Lamp::None:
      break;
  }
  return QColor();
}

void ParameterGrid::setEditable() {
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!refreshing_ && item->column() == 1)
      tables_.setCellText(id_, item->row(), item->text().trimmed());
  });
}

bool ParameterGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::Resize) applyColumnWidths();
  return QObject::eventFilter(watched, event);
}

void ParameterGrid::applyColumnWidths() {
  const int w = ParameterTables::valueColumnWidth(id_);
  grid_->setColumnWidth(1, w);
  grid_->setColumnWidth(0, std::max(40, grid_->width() - w - 24));
}

void ParameterGrid::rebuild() {
  const int rows = tables_.rowCount(id_);
  grid_->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    auto* name = new QTableWidgetItem(tables_.name(id_, r));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(r, 0, name);
  }
  applyColumnWidths();
  refreshValues();
}

void ParameterGrid::refreshValues() {
  refreshing_ = true;
  const int rows = std::min(grid_->rowCount(), tables_.rowCount(id_));
  for (int r = 0; r < rows; ++r) {
    QTableWidgetItem* item = grid_->item(r, 1);
    if (!item) grid_->setItem(r, 1, item = new QTableWidgetItem);
    item->setText(tables_.cellText(id_, r));
  }
  refreshing_ = false;
  grid_->viewport()->update();
}
