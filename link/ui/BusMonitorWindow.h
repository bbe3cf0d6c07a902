#pragma once

#include <QWidget>

class BusMonitor;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QTableView;

// "Обмен": the traffic monitor's window, a view over the BusMonitor model that may stay open
// while the worker polls. It draws what the model holds and sets its pause and filter; the
// frames reach the model without it.
class BusMonitorWindow : public QWidget {
  Q_OBJECT
 public:
  explicit BusMonitorWindow(BusMonitor& monitor, QWidget* parent = nullptr);
  ~BusMonitorWindow() override;

  QTableView* table() const { return table_; }
  QPushButton* pauseButton() const { return pause_; }
  QPushButton* clearButton() const { return clear_; }
  QPushButton* saveButton() const { return save_; }
  QComboBox* addressFilter() const { return address_; }
  QCheckBox* failuresOnly() const { return failuresOnly_; }
  QLabel* countersLabel() const { return counters_; }

  // Writes the shown rows to `path`; an "Ошибка" box when that fails. The button's dialog
  // ends here.
  bool saveTo(const QString& path);

 private:
  QLayout* createControls();
  QTableView* createTable();
  void connectControls();
  void ButtonSaveClick();
  void fillAddresses();
  void showCounters();

  BusMonitor& monitor_;
  QTableView* table_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* save_ = nullptr;
  QComboBox* address_ = nullptr;
  QCheckBox* failuresOnly_ = nullptr;
  QLabel* counters_ = nullptr;
  bool followTail_ = true;
};
