#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <mutex>

// The result grid of the test tab (StringGridTest) as core state. Row 0 is the header; the
// current row is where the steps write, and new rows are appended at the end and become
// current. Columns: 0 step, 1 state, 2 the colour strip and 3 the verdict ("1" failed, "0"
// passed, empty when none was written). The worker writes; the window redraws the rows it is
// told of (queued).
class ResultGrid : public QObject {
  Q_OBJECT
 public:
  struct Row {
    QString step, state, strip, verdict;
    bool failed() const { return verdict == QLatin1String("1"); }
    bool empty() const { return step.isEmpty() && state.isEmpty() && verdict.isEmpty(); }
  };

  ResultGrid();

  // The header texts "Шаг" and "Состояние" into row 0.
  void setHeaders();
  // Every row below the header emptied, two rows in all, row 1 current; the steps write.
  void clearForRun();
  // The run is over: no step writes any more, and `outcome` takes the place of the step.
  void endRun(const QString& outcome);
  // A run writes into the current row (from clearForRun to endRun).
  bool writing() const;

  void setStep(const QString& text);   // column 0 of the current row
  void setState(const QString& text);  // column 1 of the current row
  // "1" into columns 3 and 2 of the current row: it turns red.
  void markFailed();
  // Appends a row and makes it current; the row left behind counts as completed.
  void newRow();
  // What a result row says (addTestResult): a finished row, passed or failed (a new row
  // follows), or a note in the row being worked on, which stays open (a live reading, a read
  // that did not answer).
  enum class Result { Passed, Failed, Note };
  // The text into column 1 and the verdict into columns 3 and 2 (a note counts as passed).
  void addTestResult(const QString& text, Result result);

  QVector<Row> rows() const;
  int currentRow() const;
  // Column 0 of the current row: the step a measurement belongs to.
  QString currentStep() const;

  // Where a run stands, for the operator ("Шаг 2 из 5: ..."), or how the last one ended.
  void setStepProgress(const QString& text);
  QString stepProgress() const;

 signals:
  // Rows from `firstRow` on changed or were added (or removed, when the count shrank).
  void changed(int firstRow);
  // The row the steps just moved on from; it will not change again in this run.
  void rowCompleted(int row, const ResultGrid::Row& contents);
  void stepProgressChanged(const QString& text);

 private:
  void setCell(QString Row::*column, const QString& text);

  mutable std::mutex mutex_;
  QVector<Row> rows_;
  int current_ = 1;
  bool writing_ = false;
  QString stepProgress_;
};
