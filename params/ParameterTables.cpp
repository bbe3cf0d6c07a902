#include "params/ParameterTables.h"

#include <algorithm>

#include "core/Numbers.h"

const char* ParameterTables::objectName(Id id) {
  static const char* const kNames[Count] = {
      "StringGridDigInputs", "StringGridDigOutputs",  "StringGridErrors", "StringGridDebug",
      "StringGridTimers",    "StringGridAmps",        "StringGridInps",   "StringGridActu",
      "StringGridAutoReset", "StringGridDebInpsParam"};
  return kNames[id];
}

int ParameterTables::valueColumnWidth(Id id) {
  switch (id) {
    case DigInputs:
    case DigOutputs:
    case Errors:
      return 24;
    case Inps:
    case AutoReset:
      return 30;
    default:
      return 48;
  }
}

void ParameterTables::setStructure(Id id, const QString& section, uint16_t start, uint16_t count,
                                   const QStringList& names) {
  std::lock_guard lock(mutex_);
  Table& t = tables_[id];
  t.section = section;
  t.start = start;
  t.count = count;
  t.names = names;
  t.values.resize(names.size());
}

void ParameterTables::storeRead(Id id, const uint16_t* values, int count, int firstRow) {
  {
    std::lock_guard lock(mutex_);
    Table& t = tables_[id];
    for (int i = 0; i < count && firstRow + i < kBufferSize; ++i) {
      const int row = firstRow + i;
      t.buffer[row] = values[i];
      if (row < t.values.size())
        t.values[row] = QString::number(id == DigOutputs ? values[i] & 1 : values[i]);
    }
  }
  emit valuesChanged(id);
}

void ParameterTables::blank(Id id, bool zeroBuffer) {
  {
    std::lock_guard lock(mutex_);
    Table& t = tables_[id];
    for (QString& v : t.values) v = QStringLiteral("---");
    if (zeroBuffer) t.buffer.fill(0);
  }
  emit valuesChanged(id);
}

void ParameterTables::setCellText(Id id, int row, const QString& text) {
  std::lock_guard lock(mutex_);
  Table& t = tables_[id];
  if (row >= 0 && row < t.values.size()) t.values[row] = text;
}

void ParameterTables::setBufferValue(Id id, int row, uint16_t value) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < kBufferSize) tables_[id].buffer[row] = value;
}

int ParameterTables::rowCount(Id id) const {
  std::lock_guard lock(mutex_);
  return int(tables_[id].names.size());
}

QString ParameterTables::name(Id id, int row) const {
  std::lock_guard lock(mutex_);
  return tables_[id].names.value(row);
}

QString ParameterTables::cellText(Id id, int row) const {
  std::lock_guard lock(mutex_);
  return tables_[id].values.value(row);
}

uint16_t ParameterTables::bufferValue(Id id, int row) const {
  std::lock_guard lock(mutex_);
  return row >= 0 && row < kBufferSize ? tables_[id].buffer[row] : 0;
}

ParameterTables::Table ParameterTables::table(Id id) const {
  std::lock_guard lock(mutex_);
  return tables_[id];
}

int ParameterTables::unwrittenRows(Id id) const {
  std::lock_guard lock(mutex_);
  const Table& t = tables_[id];
  const int count = std::min({int(t.count), int(t.values.size()), int(t.buffer.size())});
  int rows = 0;
  for (int k = 0; k < count; ++k) {
    int n = 0;
    const QString text = t.values[k].trimmed();
    // Blank and "---" are what a lost link or a file without the row leave, not typing.
    if (!text.isEmpty() && text != QLatin1String("---") &&
        (!parseInteger(text, &n) || n != int(t.buffer[k])))
      ++rows;
  }
  return rows;
}

QString ParameterTables::caption(Id id) {
  switch (id) {
    case Inps:
      return QStringLiteral("Параметры дискретных входов");
    case Timers:
      return QStringLiteral("Параметры таймеров");
    case Actu:
      return QStringLiteral("Параметры мотора");
    case Amps:
      return QStringLiteral("Параметры усиления");
    case DebInpsParam:
      return QStringLiteral("Служебные параметры входов");
    case AutoReset:
      return QStringLiteral("Автоброс ошибки");
    default:
      return QString();
  }
}

void ParameterTables::setFirmware(const Firmware& f) {
  std::lock_guard lock(mutex_);
  firmware_ = f;
}

ParameterTables::Firmware ParameterTables::firmware() const {
  std::lock_guard lock(mutex_);
  return firmware_;
}

ParameterTables::Choices ParameterTables::choices() const {
  std::lock_guard lock(mutex_);
  return choices_;
}

void ParameterTables::updateChoices(const std::function<void(Choices&)>& change) {
  {
    std::lock_guard lock(mutex_);
    change(choices_);
  }
  emit choicesChanged();
}
