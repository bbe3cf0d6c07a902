#include "bench/TestSettings.h"

#include <algorithm>

#include "core/Numbers.h"
#include "core/SettingsStore.h"

namespace {

// In the order the settings are read and written: inputs, outputs (the codes grid follows),
// then the motor, overload and short-circuit group.
constexpr TestSettings::Field kFields[TestSettings::EditCount] = {
    {"EditDiCycles", "Прогонов", "di", "cycles", "1", 1},
    {"EditTime1", "Время лог. 1, мс", "di", "time1", "1000", 500},
    {"EditTime0", "Пауза, мс", "di", "time0", "500", 1000},
    {"EditDICount", "Количество входов", "di", "number", "1", 12},
    {"EditDoCycles", "Прогонов", "do", "cycles", "1", 1},
    {"EditDoTime1", "Время лог. 1, мс", "do", "time1", "1000", 500},
    {"EditDoTime0", "Пауза, мс", "do", "time0", "500", 1000},
    {"EditDoCount", "Количество выходов", "do", "number", "1", 2},
    {"EditMTCycles", "Прогонов мотора", "motion", "cycles", "1", 1},
    {"EditOvCycles", "Прогонов перегрузки", "overload", "cycles", "1", 1},
    {"EditShortCycles", "Прогонов КЗ", "short", "cycles", "1", 1},
    {"EditMotTime", "Время работы, мс", "motion", "time", "1000", 2000},
    {"EditBeforeShortTime", "Время до КЗ, мс", "short", "time", "1000", 2000},
    {"EditOvTime", "Время перегрузки, мс", "overload", "time", "1000", 2000},
    {"EditOvRms", "Ток, мА", "overload", "rms", "1000", 2000},
    {"EditOvTimeout", "Ожидание аварии, мс", "overload", "timeout", "5000", 5000},
};

// A grid of more rows than this is a typing slip in tp.ini, not a bench.
constexpr int kMaxCodeRows = 256;

}  // namespace

const TestSettings::Field& TestSettings::field(Edit edit) { return kFields[edit]; }

void TestSettings::load(const SettingsStore& tp) {
  std::array<QString, EditCount> texts;
  for (int e = 0; e < EditCount; ++e)
    texts[size_t(e)] =
        tp.readString(QLatin1String(kFields[e].section), QLatin1String(kFields[e].key),
                      QLatin1String(kFields[e].loadDefault));
  const QString doSection = QStringLiteral("do");
  const int rows =
      std::clamp(tp.readInteger(doSection, QStringLiteral("number"), 1), 0, kMaxCodeRows);
  QVector<CodeRow> codes;
  for (int r = 1; r <= rows; ++r) {
    const QString name = QStringLiteral("name%1").arg(r);
    codes.append({tp.readString(doSection, name, name),
                  tp.readString(doSection, QStringLiteral("code%1").arg(r), QStringLiteral("0"))});
  }
  {
    std::lock_guard lock(mutex_);
    texts_ = texts;
    codes_ = codes;
  }
  emit loaded();
}

bool TestSettings::save(SettingsStore& tp) const {
  std::array<QString, EditCount> texts;
  QVector<CodeRow> codes;
  {
    std::lock_guard lock(mutex_);
    texts = texts_;
    codes = codes_;
  }
  const auto write = [&](int e) {
    tp.writeString(QLatin1String(kFields[e].section), QLatin1String(kFields[e].key),
                   texts[size_t(e)]);
  };
  for (int e = DiCycles; e <= DoCount; ++e) write(e);
  for (int r = 0; r < codes.size(); ++r) {
    tp.writeString(QStringLiteral("do"), QStringLiteral("name%1").arg(r + 1), codes[r].name);
    tp.writeString(QStringLiteral("do"), QStringLiteral("code%1").arg(r + 1), codes[r].code);
  }
  for (int e = MTCycles; e < EditCount; ++e) write(e);
  return tp.flush();
}

QString TestSettings::text(Edit edit) const {
  std::lock_guard lock(mutex_);
  return texts_[edit];
}

void TestSettings::setText(Edit edit, const QString& text) {
  std::lock_guard lock(mutex_);
  texts_[edit] = text;
}

bool TestSettings::integer(Edit edit, int* value) const { return parseInteger(text(edit), value); }

int TestSettings::value(Edit edit) const {
  int v = 0;
  return integer(edit, &v) ? v : kFields[edit].fallback;
}

QVector<TestSettings::CodeRow> TestSettings::codes() const {
  // A copy of its own: the window may change a row while the worker reads the copy.
  std::lock_guard lock(mutex_);
  QVector<CodeRow> copy;
  for (const CodeRow& row : codes_)
    copy.append({QString(row.name.constData(), row.name.size()),
                 QString(row.code.constData(), row.code.size())});
  return copy;
}

void TestSettings::setCode(int row, const CodeRow& code) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < codes_.size()) codes_[row] = code;
}
