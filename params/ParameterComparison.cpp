#include "params/ParameterComparison.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "params/ParameterFile.h"
#include "params/ParameterState.h"
#include "params/TableTransfer.h"

namespace {

const QString kError = QStringLiteral("Ошибка");
const QString kComparing = QStringLiteral("Сравнение с файлом...");
const QString kWriting = QStringLiteral("Запись параметров в модуль...");
const QString kOutputs = QStringLiteral("Настройки выходов");
constexpr uint16_t kAlarmRegister = 131;
constexpr uint16_t kPowerRegister = 132;

QString caption(ParameterTables::Id id) {
  switch (id) {
    case ParameterTables::Inps:
      return QStringLiteral("Параметры дискретных входов");
    case ParameterTables::Timers:
      return QStringLiteral("Параметры таймеров");
    default:
      return QStringLiteral("Параметры мотора");
  }
}

// The register a file text stands for, as a write of the tables would send it; none for a
// text that is no number or lies beyond what 16 bits hold either way.
std::optional<uint16_t> registerValue(const QString& text) {
  int number = 0;
  if (!parseInteger(text, &number) || number < -32768 || number > 65535) return std::nullopt;
  return uint16_t(number);
}

}  // namespace

bool ParameterComparison::readBlock(uint16_t first, uint16_t count, QVector<uint16_t>* values) {
  ReadExchange x;
  if (!ctx_.link.client.readModuleRegisters(x, first, count)) {
    ctx_.link.showLinkFailure(x.error);
    return false;
  }
  // A short reply leaves rows unknown; comparing without them could report "no difference".
  if (x.decodedCount < count) {
    ctx_.link.showLinkFailure(QStringLiteral("Ошибка получения результата из модуля"));
    return false;
  }
  *values = QVector<uint16_t>(x.registers.begin(), x.registers.begin() + count);
  return true;
}

std::optional<ParameterDifferences> ParameterComparison::compareWithFile(const QString& path) {
  ParameterFileValues file;
  if (!readParameterFile(ctx_, path, &file)) return std::nullopt;

  ctx_.link.progress.show(kComparing);
  ParameterDifferences found;
  bool ok = true;
  for (size_t i = 0; ok && i < kParameterFileTables.size(); ++i) {
    const ParameterTables::Id id = kParameterFileTables[i];
    const ParameterTables::Table table = ctx_.tables().table(id);
    const int rows = std::min<int>(table.count, file.values[i].size());
    QVector<uint16_t> module;
    if (rows == 0) continue;
    ok = readBlock(table.start, table.count, &module);
    for (int row = 0; ok && row < rows; ++row) {
      const QString text = file.values[i][row].trimmed();
      const std::optional<uint16_t> value = registerValue(text);
      if (value == module[row]) continue;
      found.append({caption(id), table.names.value(row), uint16_t(table.start + row), module[row],
                    text, value, id, row});
    }
  }
  if (ok && firmware::hasOutputLogic(ctx_.link.flags.firmwareVersion)) {
    QVector<uint16_t> module;
    ok = readBlock(kAlarmRegister, 2, &module);
    const struct {
      QString name;
      uint16_t state;
    } choices[] = {{QStringLiteral("Логика сигнального реле"), uint16_t(file.alarmOn ? 1 : 0)},
                   {QStringLiteral("Логика силового выхода"), uint16_t(file.direct ? 1 : 0)}};
    for (int k = 0; ok && k < 2; ++k) {
      if (choices[k].state == module[k]) continue;
      found.append({kOutputs, choices[k].name, uint16_t(kAlarmRegister + k), module[k],
                    QString::number(choices[k].state), choices[k].state, ParameterTables::Inps,
                    -1});
    }
  }
  ctx_.link.progress.hide();
  if (!ok) return std::nullopt;
  return found;
}

bool ParameterComparison::writeDifferences(const ParameterDifferences& rows) {
  if (rows.isEmpty()) return true;
  ctx_.link.progress.show(kWriting);
  // As a table write: a value that is not a number stops everything before the first frame.
  for (const ParameterDifference& d : rows)
    if (!d.value) return refuse(QStringLiteral("Некорректное значение параметра ") + d.name);
  WriteExchange x;
  int written = 0;
  for (const ParameterDifference& d : rows) {
    if (!ctx_.link.client.writeModuleRegister(x, d.reg, *d.value)) return refuse(x.error);
    showWritten(d, *d.value);
    ctx_.link.progress.setCount(QStringLiteral("%1/%2").arg(++written).arg(rows.size()));
  }
  ctx_.link.progress.setText(QStringLiteral("УСПЕШНО!!!"));
  ctx_.link.clock.sleep(TableTransfer::kPanelPauseMs);
  ctx_.link.progress.hide();
  return true;
}

bool ParameterComparison::refuse(const QString& text) {
  ctx_.link.prompter.showMessage(kError, text, Prompter::Icon::Error);
  TableTransfer(ctx_).showWriteFailure();
  return false;
}

// The tables keep what they know the module holds; a cell or a choice that showed the module's
// old value shows the new one, while a value typed there and not yet written stays.
void ParameterComparison::showWritten(const ParameterDifference& d, uint16_t value) {
  ParameterTables& tables = ctx_.tables();
  if (d.row < 0) {
    const bool alarm = d.reg == kAlarmRegister;
    tables.updateChoices([&](ParameterTables::Choices& c) {
      uint16_t& read = alarm ? c.alarmRead : c.powerRead;
      bool& shown = alarm ? c.alarmOn : c.direct;
      read = value;
      if (shown == (d.module != 0)) shown = value != 0;
    });
    return;
  }
  tables.setBufferValue(d.id, d.row, value);
  if (registerValue(tables.cellText(d.id, d.row).trimmed()) == d.module) {
    tables.setCellText(d.id, d.row, QString::number(value));
    emit tables.valuesChanged(d.id);
  }
}

bool ParameterComparison::serveComparison() {
  ComparisonExchange& exchange = ctx_.state.comparison;
  const std::optional<ParameterDifferences> found = compareWithFile(exchange.file());
  exchange.setFound(found.value_or(ParameterDifferences()));
  return found.has_value();
}

bool ParameterComparison::serveWrite() { return writeDifferences(ctx_.state.comparison.toWrite()); }

QString ParameterComparison::line(const ParameterDifference& d) {
  const auto field = [](QString text) { return text.replace(QLatin1Char(';'), QLatin1Char(',')); };
  return QStringList{field(d.table), field(d.name), QString::number(d.reg),
                     QString::number(d.module), field(d.file)}
      .join(QLatin1Char(';'));
}
