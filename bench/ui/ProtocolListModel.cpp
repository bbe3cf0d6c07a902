#include "bench/ui/ProtocolListModel.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>

ProtocolListModel::ProtocolListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProtocolListModel::setHistory(RunHistory history) {
  beginResetModel();
  history_ = std::move(history);
  selection_ = history_.select(filter_);
  endResetModel();
}

void ProtocolListModel::setFilter(const HistoryFilter& filter) {
  beginResetModel();
  filter_ = filter;
  selection_ = history_.select(filter_);
  endResetModel();
}

const ArchivedRun& ProtocolListModel::runAt(int row) const {
  // Newest first: the last of the selection at the top.
  return history_.runs()[selection_[selection_.size() - 1 - row]];
}

int ProtocolListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(selection_.size());
}

int ProtocolListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProtocolListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ArchivedRun& run = runAt(index.row());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    switch (index.column()) {
      case When:
        return run.started.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
      case Serial:
        return run.serial;
      case Operator:
        return run.operatorName;
      case Outcome:
        return run.damaged() ? QStringLiteral("ПОВРЕЖДЁН: ") + run.damage
                             : TestRecord::outcomeText(*run.outcome);
      case File:
        return role == Qt::ToolTipRole ? run.file : QFileInfo(run.file).fileName();
    }
  }
  if (role == Qt::ForegroundRole && index.column() == Outcome) {
    if (run.damaged() || run.outcome == TestRecord::Outcome::Failed)
      return QBrush(QColor(0xb0, 0x00, 0x00));
    if (run.outcome == TestRecord::Outcome::Passed) return QBrush(QColor(0x1b, 0x7a, 0x33));
  }
  return {};
}

QVariant ProtocolListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const titles[ColumnCount] = {"Дата и время", "Заводской номер", "Оператор",
                                                  "Итог", "Файл"};
  return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}
