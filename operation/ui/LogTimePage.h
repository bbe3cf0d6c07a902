#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "operation/OperationContext.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The page "Журнал и время": the module's event log and clock. A view of the core's log and
// clock state; its buttons raise requests for the worker or hand it jobs.
class LogTimePage : public QWidget {
  Q_OBJECT
 public:
  explicit LogTimePage(QWidget* parent = nullptr);
  ~LogTimePage() override;

  // Runs a job on the worker between two exchanges.
  using Post = std::function<void(std::function<void()>)>;
  // Ties the page to the core. The stop button sits in the progress panel, which covers the
  // pages while the log is fetched.
  void bind(const OperationContext& ctx, Post post, QPushButton* stopButton);

  QCheckBox* checkBoxKeepLog() const { return keepLog_; }
  QLabel* unreadCounterText() const { return unreadCounterText_; }
  QLineEdit* editReadCount() const { return readCount_; }
  QPushButton* buttonReadLog() const { return readLog_; }
  QPushButton* buttonClear() const { return clear_; }
  QPushButton* buttonSaveLog() const { return saveLog_; }
  QTableWidget* stringGridLog() const { return gridLog_; }
  // EditYear .. EditSecond
  QLineEdit* clockEdit(int field) const { return clockEdits_[size_t(field)]; }
  QTableWidget* stringGridTime() const { return gridTime_; }
  // The editor of row `row` of the new values (column 1), always shown.
  QLineEdit* newValueEdit(int row) const { return newValueEdits_[size_t(row)]; }
  QCheckBox* checkBoxUpdateDT() const { return updateDT_; }
  QPushButton* buttonSetDateTime() const { return setDateTime_; }

  // Writes the fetched records to `path` as CSV; a failure is told in a box.
  bool saveLogFile(const QString& path);

  // The family of the clock digits: 'Crystal' where installed, else a monospaced font.
  static QString clockFontFamily();

 signals:
  // The page became visible because the user (or the program) chose its tab.
  void shown();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* createLogGroup();
  QWidget* createClockDisplay();
  QWidget* createNewClockGroup();
  void connectCore();

  void TabSheetLogTimeShow();
  void CheckBoxKeepLogClick(bool checked);
  void ButtonReadLogClick();
  void ButtonStopReadingLogClick();
  void ButtonClearClick();
  void ButtonSaveLogClick();
  void ButtonSetDateTimeClick();

  void showLogRows(int firstRow);
  void showLogTexts();
  void showKeepLog();
  void showModuleClock();
  void showNewValues();

  std::unique_ptr<OperationContext> ctx_;
  Post post_;

  QCheckBox* keepLog_;
  QLabel* unreadCounterText_;
  QLineEdit* readCount_;
  QPushButton* readLog_;
  QPushButton* clear_;
  QPushButton* saveLog_;
  QTableWidget* gridLog_;
  std::array<QLineEdit*, 6> clockEdits_{};
  QTableWidget* gridTime_;
  std::array<QLineEdit*, 6> newValueEdits_{};
  QCheckBox* updateDT_;
  QPushButton* setDateTime_;
};
