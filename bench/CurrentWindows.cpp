#include "bench/CurrentWindows.h"

#include "bench/BenchKeys.h"
#include "bench/MotorRun.h"
#include "core/Numbers.h"
#include "core/SettingsStore.h"

namespace currentwindows {

QStringList standardKeys() {
  using D = MotorRun::Direction;
  using V = MotorRun::Voltage;
  QStringList keys;
  for (V v : {V::V24, V::V220})
    for (D d : {D::Forward, D::Backward}) {
      const QString row = MotorRun::windowRowName(d, v);
      keys << row + QStringLiteral("мин") << row + QStringLiteral("макс");
    }
  return keys;
}

QString section(int profile) { return QStringLiteral("current_wnd_%1").arg(profile); }

QVector<Row> load(const SettingsStore& tp, int profile) {
  QVector<Row> rows;
  QStringList seen;
  for (const QString& line : tp.readSectionValues(section(profile))) {
    const QString key = line.section('=', 0, 0).trimmed();
    rows.append({key, line.section('=', 1)});
    seen << key.toLower();
  }
  for (const QString& key : standardKeys())
    if (!seen.contains(key.toLower())) rows.append({key, QStringLiteral("0")});
  return rows;
}

std::optional<QString> validate(const QVector<Row>& rows) {
  for (const Row& row : rows) {
    int value = 0;
    if (!parseInteger(row.value, &value) || value < 0 || value > kMaxValue)
      return QStringLiteral("Некорректное значение параметра: ") + row.key +
             QStringLiteral(" - значение должно быть от 0 до 10000 ");
  }
  return std::nullopt;
}

bool save(SettingsStore& tp, int profile, const QVector<Row>& rows) {
  for (const Row& row : rows) tp.writeString(section(profile), row.key, row.value);
  tp.writeInteger(benchkeys::kCurrentWindowProfile, profile);
  return tp.flush();
}

}  // namespace currentwindows
