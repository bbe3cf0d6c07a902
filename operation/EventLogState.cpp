#include "operation/EventLogState.h"

#include <algorithm>

namespace {

// A field with the separator, a quote or a line break is quoted, its quotes doubled.
QString csvField(const QString& text) {
  if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const EventLogState::Row& cells) {
  QStringList fields;
  for (const QString& cell : cells) fields << csvField(cell);
  return fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

}  // namespace

EventLogState::Row EventLogState::header() {
  return {QStringLiteral("№"),   QStringLiteral("Дата"),   QStringLiteral("Время"),
          QStringLiteral("Тип"), QStringLiteral("Данные"), QStringLiteral("Данные")};
}

void EventLogState::loadTexts(const QStringList& commandTexts, const QStringList& switchTexts) {
  std::lock_guard lock(mutex_);
  commandTexts_ = commandTexts;
  switchTexts_ = switchTexts;
}

QStringList EventLogState::commandTexts() const {
  std::lock_guard lock(mutex_);
  return commandTexts_;
}

QStringList EventLogState::switchTexts() const {
  std::lock_guard lock(mutex_);
  return switchTexts_;
}

int EventLogState::rowCount() const {
  std::lock_guard lock(mutex_);
  return int(rows_.size());
}

EventLogState::Row EventLogState::row(int r) const {
  std::lock_guard lock(mutex_);
  if (r == 0) return header();
  return r > 0 && size_t(r) < rows_.size() ? rows_[size_t(r)] : Row{};
}

void EventLogState::setRow(int r, const Row& cells) {
  if (r < 1) return;  // the header stays
  int first = r;
  {
    std::lock_guard lock(mutex_);
    if (rows_.size() < size_t(r) + 1) {
      first = int(rows_.size());
      rows_.resize(size_t(r) + 1);
    }
    rows_[size_t(r)] = cells;
  }
  emit rowsChanged(first);
}

void EventLogState::resetTable() {
  {
    std::lock_guard lock(mutex_);
    rows_.assign(kInitialRows, Row{});
  }
  emit rowsChanged(1);
}

QByteArray EventLogState::toCsv() const {
  std::lock_guard lock(mutex_);
  QString text = csvLine(header());
  for (size_t r = 1; r < rows_.size(); ++r) {
    const Row& cells = rows_[r];
    if (std::all_of(cells.begin(), cells.end(), [](const QString& c) { return c.isEmpty(); }))
      continue;
    text += csvLine(cells);
  }
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString EventLogState::counterText() const {
  std::lock_guard lock(mutex_);
  return counterText_;
}

void EventLogState::setCounterText(const QString& text) {
  {
    std::lock_guard lock(mutex_);
    counterText_ = text;
  }
  emit textsChanged();
}

QString EventLogState::readCountText() const {
  std::lock_guard lock(mutex_);
  return readCountText_;
}

void EventLogState::setReadCountText(const QString& text) {
  storeReadCountText(text);
  emit textsChanged();
}

void EventLogState::storeReadCountText(const QString& text) {
  std::lock_guard lock(mutex_);
  readCountText_ = text;
}

void EventLogState::setKeepLog(int value) {
  keepLog_ = value;
  emit keepLogChanged();
}

void EventLogState::setFetching(bool on) {
  fetching_ = on;
  emit fetchingChanged(on);
}
