#include "operation/ModuleClockState.h"

QStringList ModuleClockState::captions() {
  return {QStringLiteral("Год"),  QStringLiteral("Месяц"),  QStringLiteral("Число"),
          QStringLiteral("Часы"), QStringLiteral("Минуты"), QStringLiteral("Секунды")};
}

QStringList ModuleClockState::displayTexts() const {
  const std::optional<DateFields> f = shown();
  if (!f) return QStringList(kRows, notShown());
  const auto two = [](int v) { return QString::asprintf("%02d", v); };
  return {QString::number(f->year), two(f->month), two(f->day), two(f->hour),
          two(f->minute),           two(f->second)};
}

std::optional<DateFields> ModuleClockState::shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

void ModuleClockState::show(const DateFields& f) {
  {
    std::lock_guard lock(mutex_);
    shown_ = f;
  }
  emit displayChanged();
}

QStringList ModuleClockState::newValues() const {
  std::lock_guard lock(mutex_);
  return newValues_;
}

// The list is replaced, never changed in place: the window may still hold the copy it was
// handed, sharing the old one.
void ModuleClockState::setNewValues(const QStringList& texts) {
  QStringList fresh;
  for (int r = 0; r < kRows; ++r) fresh << (r < texts.size() ? texts[r] : QString());
  {
    std::lock_guard lock(mutex_);
    newValues_.swap(fresh);
  }
  emit newValuesChanged();
}

void ModuleClockState::storeNewValue(int row, const QString& text) {
  if (row < 0 || row >= kRows) return;
  std::lock_guard lock(mutex_);
  QStringList next = newValues_;  // shared with the member: changing it copies
  next[row] = text;
  newValues_.swap(next);
}

QDateTime ModuleClockState::localNow() const {
  std::function<QDateTime()> source;
  {
    std::lock_guard lock(mutex_);
    source = localNow_;
  }
  return source ? source() : QDateTime::currentDateTime();
}

void ModuleClockState::setLocalTimeSource(std::function<QDateTime()> source) {
  std::lock_guard lock(mutex_);
  localNow_ = std::move(source);
}
