#include "bench/TestRecord.h"

bool TestRecord::begin(const QDateTime& now, const QString& serial, const QString& operatorName) {
  std::lock_guard lock(mutex_);
  if (data_.active) return false;
  data_ = Data();
  data_.active = true;
  data_.started = now;
  data_.unit.serial = serial;
  data_.operatorName = operatorName;
  return true;
}

bool TestRecord::active() const {
  std::lock_guard lock(mutex_);
  return data_.active;
}

void TestRecord::setUnit(const Unit& unit) {
  std::lock_guard lock(mutex_);
  const QString serial = data_.unit.serial;
  data_.unit = unit;
  data_.unit.serial = serial;
}

void TestRecord::startAttempt(const QStringList& steps, const QStringList& settings) {
  std::lock_guard lock(mutex_);
  ++data_.attempts;
  data_.steps = steps;
  data_.settings = settings;
  // What an earlier attempt measured was measured on a bench that then failed to start.
  data_.measurements.clear();
  data_.benchFault = false;
}

void TestRecord::add(const Measurement& m) {
  std::lock_guard lock(mutex_);
  if (data_.active) data_.measurements.append(m);
}

void TestRecord::noteBenchFault() {
  std::lock_guard lock(mutex_);
  data_.benchFault = true;
}

bool TestRecord::benchFault() const {
  std::lock_guard lock(mutex_);
  return data_.benchFault;
}

bool TestRecord::finish(const QDateTime& now, Outcome outcome, const QString& message,
                        const QVector<ResultGrid::Row>& rows, Data* out) {
  std::lock_guard lock(mutex_);
  if (!data_.active) return false;
  data_.active = false;
  data_.ended = now;
  data_.outcome = outcome == Outcome::Failed && data_.benchFault ? Outcome::BenchFault : outcome;
  data_.message = message;
  data_.rows = rows;
  if (out) *out = data_;
  return true;
}

void TestRecord::setNextSerial(const QString& serial) {
  std::lock_guard lock(mutex_);
  nextSerial_ = serial;
}

QString TestRecord::nextSerial() const {
  std::lock_guard lock(mutex_);
  return nextSerial_;
}

void TestRecord::setNextOperator(const QString& name) {
  std::lock_guard lock(mutex_);
  nextOperator_ = name;
}

QString TestRecord::nextOperator() const {
  std::lock_guard lock(mutex_);
  return nextOperator_;
}

std::optional<TestRecord::Outcome> TestRecord::outcomeFromText(const QString& text) {
  for (Outcome o : {Outcome::Passed, Outcome::Failed, Outcome::Aborted, Outcome::BenchFault})
    if (text == outcomeText(o)) return o;
  return std::nullopt;
}

QString TestRecord::outcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::Passed:
      return QStringLiteral("ПРОЙДЕН");
    case Outcome::Failed:
      return QStringLiteral("НЕ ПРОЙДЕН");
    case Outcome::Aborted:
      return QStringLiteral("ПРЕРВАН ОПЕРАТОРОМ");
    case Outcome::BenchFault:
      return QStringLiteral("НЕИСПРАВНОСТЬ СТЕНДА");
  }
  return QString();
}

QString TestRecord::verdictText(bool failed) {
  return failed ? QStringLiteral("отказ") : QStringLiteral("норма");
}
