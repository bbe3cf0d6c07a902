#pragma once

#include <QWidget>
#include <functional>

#include "bench/RunHistory.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ProtocolListModel;

// "Протоколы" (FormProtocols): what the line tested, from the reports in reports/. The runs
// newest first, filtered by the days of their start, the serial number and the outcome; below
// them the totals of what is shown with the first-pass yield. A double click opens the run's
// protocol (PDF) with the system's viewer. The folder is read afresh whenever the window is
// shown and on "Обновить"; damaged records are listed as such, and no file is ever changed.
class ProtocolsWindow : public QWidget {
  Q_OBJECT
 public:
  ProtocolsWindow(const QString& reportsFolder, QWidget* parent = nullptr);

  // How a protocol is opened: the system's viewer unless a test says otherwise; false when it
  // could not be.
  void setOpener(std::function<bool(const QString& path)> opener) { opener_ = std::move(opener); }

  // Reads the folder again and shows it through the filter.
  void reload();
  HistoryFilter filter() const;

  QCheckBox* checkBoxPeriod() const { return period_; }
  QDateEdit* dateEditSince() const { return since_; }
  QDateEdit* dateEditUntil() const { return until_; }
  QLineEdit* editSerial() const { return serial_; }
  QComboBox* comboBoxOutcome() const { return outcome_; }
  QPushButton* buttonRefresh() const { return refresh_; }
  QTableView* gridProtocols() const { return grid_; }
  QLabel* labelTotals() const { return totals_; }
  ProtocolListModel* model() const { return model_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void applyFilter();
  void openRow(int row);

  QString folder_;
  std::function<bool(const QString&)> opener_;
  QCheckBox* period_;
  QDateEdit* since_;
  QDateEdit* until_;
  QLineEdit* serial_;
  QComboBox* outcome_;
  QPushButton* refresh_;
  QTableView* grid_;
  QLabel* totals_;
  ProtocolListModel* model_;
};
