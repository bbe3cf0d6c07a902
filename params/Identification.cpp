#include "params/Identification.h"

#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/LinkKeys.h"
#include "link/ModbusRtuClient.h"
#include "params/ParameterKeys.h"

namespace {

const QString kInputPrefix = QStringLiteral("ВХОД ");
const QString kOutputPrefix = QStringLiteral("ВЫХОД ");
const QString kErrorPrefix = QStringLiteral("ОШИБКА ");
const QString kParamPrefix = QStringLiteral("Параметр ");

QStringList rowNames(const SettingsStore& mem, const QString& section, int rows,
                     const QString& prefix) {
  QStringList names;
  for (int i = 1; i <= rows; ++i)
    names << mem.readString(section, QStringLiteral("n%1").arg(i), prefix + QString::number(i));
  return names;
}

}  // namespace

bool Identification::identify() {
  const int version = selectFirmwareLayout();
  ctx_.link.flags.firmwareVersion = version;
  if (version < 0 || version > ctx_.link.flags.maxFirmwareVersion) return false;
  selectNameSections();
  buildTables();
  return true;
}

int Identification::selectFirmwareLayout() {
  ModbusRtuClient& client = ctx_.link.client;
  ReadExchange x;
  if (!client.readModuleRegisters(x, 768, 1)) {
    ctx_.link.showLinkFailure(x.error);
    ctx_.link.status.setText(StatusLine::Firmware, QStringLiteral("Версия прошивки ------"));
    return -1;
  }
  const int version = x.registers[0];
  const int revision = client.readModuleRegisters(x, 769, 1) ? x.registers[0] : 0;
  QString text = QStringLiteral("Версия прошивки  ") + QString::number(version);
  if (revision != 0) text += QLatin1Char('.') + QString::number(revision);
  ctx_.link.status.setText(StatusLine::Firmware, text);

  ParameterTables::Firmware f = ctx_.tables().firmware();
  f.revision = revision;
  if (version > ctx_.link.flags.maxFirmwareVersion) {
    ctx_.tables().setFirmware(f);
    ctx_.link.showLinkFailure(QStringLiteral("НЕИЗВЕСТНАЯ ВЕРСИЯ ПРОШИВКИ МОДУЛЯ"));
    return version;
  }
  f.version = version;
  f.layout = FirmwareLayout::forVersion(version, f.layout);
  ctx_.tables().setFirmware(f);
  return version;
}

int Identification::selectNameSections() {
  ModbusRtuClient& client = ctx_.link.client;
  ReadExchange x;
  const int logic = client.readModuleRegisters(x, 592, 1) ? x.registers[0] : 1;
  ctx_.link.status.setText(StatusLine::Logic, QStringLiteral("Логика ") + QString::number(logic));
  const int map = client.readModuleRegisters(x, 76, 1) ? x.registers[0] : 0;
  const bool earthingSwitch = ctx_.link.mem.readInteger(linkkeys::kDriveType) != 0;

  ParameterTables::Firmware f = ctx_.tables().firmware();
  QString di;
  if (logic == 2) {
    di = QStringLiteral("di_names2");
    f.errSection = QStringLiteral("err_names2");
  } else {
    if (logic == 3)
      di = map == 0 ? QStringLiteral("di_names3") : QStringLiteral("di_names3_map1");
    else
      di = f.version < 200 ? QStringLiteral("di_names") : QStringLiteral("di_names3");
    f.errSection = QStringLiteral("err_names");
  }
  f.diSection = earthingSwitch ? di + QStringLiteral("_zn") : di;
  f.logicNumber = logic;
  f.mapVariant = map;
  ctx_.tables().setFirmware(f);
  return logic;
}

void Identification::buildTables() {
  const SettingsStore& mem = ctx_.link.mem;
  ParameterTables& t = ctx_.tables();
  ParameterTables::Firmware f = t.firmware();
  const FirmwareLayout& l = f.layout;
  auto build = [&](ParameterTables::Id id, const QString& section, uint16_t start, uint16_t count,
                   const QString& prefix) {
    t.setStructure(id, section, start, count, rowNames(mem, section, count, prefix));
  };
  build(ParameterTables::DigInputs, f.diSection, 16, 17, kInputPrefix);
  build(ParameterTables::DigOutputs, QStringLiteral("do_names"), 128, 3, kOutputPrefix);
  build(ParameterTables::Errors, f.errSection, 48, 12, kErrorPrefix);
  build(ParameterTables::Debug, l.debugSection, 256, 16, kParamPrefix);

  // The debug value each diagram samples: the row whose name the settings remember.
  const QStringList debugNames = t.table(ParameterTables::Debug).names;
  auto indexOf = [&](const SettingKey& key) {
    return std::max<int>(0, int(debugNames.indexOf(mem.readString(key))));
  };
  ctx_.state.diagramValueIndex = indexOf(parameterkeys::kDiagramValue);
  ctx_.state.testDiagramValueIndex = indexOf(parameterkeys::kTestDiagramValue);

  build(ParameterTables::DebInpsParam, l.serviceInputsSection, FirmwareLayout::kServiceInputsStart,
        l.serviceInputsCount, kParamPrefix);
  build(ParameterTables::Amps, l.ampsSection, l.ampsStart, l.ampsCount, kParamPrefix);
  build(ParameterTables::Inps, l.inputsSection, FirmwareLayout::kInputsStart,
        FirmwareLayout::kInputsCount, kParamPrefix);
  build(ParameterTables::Timers, l.timersSection, l.timersStart, l.timersCount, kParamPrefix);
  build(ParameterTables::Actu, l.motorSection, l.motorStart, l.motorCount, kParamPrefix);
  build(ParameterTables::AutoReset, QStringLiteral("autoreset"), 94, 2, kParamPrefix);
  f.built = true;
  t.setFirmware(f);
  // Group visibility, selector contents and the inversion list follow in the window.
  t.announceStructure();
}
