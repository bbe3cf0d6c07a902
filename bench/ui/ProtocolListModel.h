#pragma once

#include <QAbstractTableModel>

#include "bench/RunHistory.h"

// The runs of the history window, newest first: date and time, serial number, operator,
// outcome (a damaged record says so, and why) and the report's file.
class ProtocolListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { When, Serial, Operator, Outcome, File, ColumnCount };

  explicit ProtocolListModel(QObject* parent = nullptr);

  // The archive afresh, and the filter on it.
  void setHistory(RunHistory history);
  void setFilter(const HistoryFilter& filter);
  const RunHistory& history() const { return history_; }
  // The indices of the runs shown, oldest first, as the history gives them.
  const QVector<int>& selection() const { return selection_; }
  const ArchivedRun& runAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void select();

  RunHistory history_;
  HistoryFilter filter_;
  QVector<int> selection_;
};
