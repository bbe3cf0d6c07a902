#include "bench/ResultGrid.h"

namespace {

// A row whose texts share no data with the grid's: the worker goes on changing the grid's own
// strings while another thread reads the copy.
ResultGrid::Row detached(const ResultGrid::Row& row) {
  const auto own = [](const QString& s) { return QString(s.constData(), s.size()); };
  return {own(row.step), own(row.state), own(row.strip), own(row.verdict)};
}

}  // namespace

ResultGrid::ResultGrid() : rows_(2) {}

void ResultGrid::setHeaders() {
  {
    std::lock_guard lock(mutex_);
    rows_[0].step = QStringLiteral("Шаг");
    rows_[0].state = QStringLiteral("Состояние");
  }
  emit changed(0);
}

void ResultGrid::clearForRun() {
  {
    std::lock_guard lock(mutex_);
    const Row header = rows_[0];
    rows_ = QVector<Row>(2);
    rows_[0] = header;
    current_ = 1;
    writing_ = true;
  }
  emit changed(1);
}

void ResultGrid::endRun(const QString& outcome) {
  int row = 0;
  {
    std::lock_guard lock(mutex_);
    writing_ = false;
    row = current_;
  }
  setStepProgress(outcome);
  emit changed(row);
}

bool ResultGrid::writing() const {
  std::lock_guard lock(mutex_);
  return writing_;
}

void ResultGrid::setCell(QString Row::*column, const QString& text) {
  int row = 0;
  {
    std::lock_guard lock(mutex_);
    row = current_;
    rows_[row].*column = text;
  }
  emit changed(row);
}

void ResultGrid::setStep(const QString& text) { setCell(&Row::step, text); }

void ResultGrid::setState(const QString& text) { setCell(&Row::state, text); }

void ResultGrid::markFailed() {
  int row = 0;
  {
    std::lock_guard lock(mutex_);
    row = current_;
    rows_[row].verdict = rows_[row].strip = QStringLiteral("1");
  }
  emit changed(row);
}

void ResultGrid::newRow() {
  int left = 0;
  Row done;
  {
    std::lock_guard lock(mutex_);
    left = current_;
    done = detached(rows_[left]);
    rows_.append(Row());
    current_ = int(rows_.size()) - 1;
  }
  emit rowCompleted(left, done);
  emit changed(left);
}

void ResultGrid::addTestResult(const QString& text, Result result) {
  int row = 0;
  {
    std::lock_guard lock(mutex_);
    row = current_;
    rows_[row].state = text;
    rows_[row].verdict = rows_[row].strip =
        result == Result::Failed ? QStringLiteral("1") : QStringLiteral("0");
  }
  if (result == Result::Note)
    emit changed(row);
  else
    newRow();
}

QVector<ResultGrid::Row> ResultGrid::rows() const {
  std::lock_guard lock(mutex_);
  QVector<Row> copy;
  copy.reserve(rows_.size());
  for (const Row& row : rows_) copy.append(detached(row));
  return copy;
}

int ResultGrid::currentRow() const {
  std::lock_guard lock(mutex_);
  return current_;
}

QString ResultGrid::currentStep() const {
  std::lock_guard lock(mutex_);
  const QString& step = rows_[current_].step;
  return QString(step.constData(), step.size());
}

void ResultGrid::setStepProgress(const QString& text) {
  {
    std::lock_guard lock(mutex_);
    if (stepProgress_ == text) return;
    stepProgress_ = text;
  }
  emit stepProgressChanged(text);
}

QString ResultGrid::stepProgress() const {
  std::lock_guard lock(mutex_);
  return stepProgress_;
}
