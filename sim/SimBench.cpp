#include "sim/SimBench.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/SettingsStore.h"
#include "sim/SimBus.h"

namespace {

constexpr int kOutputs = 3;  // module outputs 1 to 3: registers 128 to 130

bool bitSet(uint16_t word, int bit) { return bit >= 0 && bit < 16 && (word >> bit) & 1; }

int integer(const SettingsStore& tp, const char* section, const QString& key, int def) {
  return tp.readInteger(QLatin1String(section), key, def);
}

}  // namespace

BenchDescription BenchDescription::read(const SettingsStore& tp) {
  BenchDescription d;
  for (const QString& section : tp.sectionNames()) {
    if (!section.startsWith(QLatin1String("di_code"), Qt::CaseInsensitive)) continue;
    bool ok = false;
    const int variant = section.mid(7).toInt(&ok);
    if (!ok || variant < 0) continue;
    std::array<int, kInputs>& bits = d.inputBits[variant];
    for (int k = 0; k < kInputs; ++k)
      bits[size_t(k)] = tp.readInteger(section, QStringLiteral("i%1").arg(k + 1), 0);
  }
  const int outputs = integer(tp, "do", QStringLiteral("number"), 1);
  for (int r = 1; r <= outputs && r <= 64; ++r) {
    bool ok = false;
    const int code =
        tp.readString(QStringLiteral("do"), QStringLiteral("code%1").arg(r), QStringLiteral("0"))
            .trimmed()
            .toInt(&ok);
    d.outputCodes.push_back(ok ? code & 0xFFFF : -1);
  }
  d.bit220 = integer(tp, "motion", QStringLiteral("bit_220"), 0);
  d.bit24 = integer(tp, "motion", QStringLiteral("bit_24"), 1);
  d.overloadBit = integer(tp, "overload", QStringLiteral("start_bit"), 2);
  d.shortBit = integer(tp, "short", QStringLiteral("start_bit"), 3);
  d.r16Address = integer(tp, "connect", QStringLiteral("r16_addr"), 16);
  d.d8r4Address = integer(tp, "connect", QStringLiteral("d8r4_addr"), 17);
  return d;
}

SimBench::SimBench(SimBus& bus, BenchDescription description)
    : bus_(bus), description_(std::move(description)) {
  // The end-position inputs now come from R16, as the bench drives them.
  bus_.module().motion().setDrivesEndInputs(false);
}

bool SimBench::Defects::any() const {
  for (bool b : inputStuck)
    if (b) return true;
  for (bool b : outputDead)
    if (b) return true;
  return current24VHigh || noTrip || noShortAlarm;
}

int SimBench::variant() const {
  const ModuleModel& m = bus_.module();
  return m.firmwareVersion() >= 200 ? m.get(ModuleModel::InputMap) + 1 : 0;
}

void SimBench::update() {
  ModuleModel& module = bus_.module();
  module.update();
  const uint16_t r16 = bus_.r16().outputs();
  const uint16_t relays = bus_.d8r4().outputs();
  const bool benchOn = r16 != 0 || relays != 0;
  // Going idle, the wiring (all off) is put into the terminals once; then they are left alone.
  const bool wire = benchOn || wired_;
  wired_ = benchOn;
  module.motion().setDrivesEndInputs(!benchOn);

  // Inputs 1..12 by the wiring of the module's variant; a variant without a section is wired
  // to nothing.
  const auto wiring = description_.inputBits.find(variant());
  for (int k = 0; k < BenchDescription::kInputs && wire; ++k) {
    const bool on = wiring != description_.inputBits.end() &&
                    bitSet(r16, wiring->second[size_t(k)]) && !defects_.inputStuck[size_t(k)];
    module.set(uint16_t(ModuleModel::DigitalInputs + k), on ? 1 : 0);
  }

  // Outputs: switched while R16 carries their code; output 3 is also the alarm relay. The
  // terminals are inverted when the output logic (131) is 0.
  const bool inverted = module.get(ModuleMotion::kAlarmRelayLogic) == 0;
  uint16_t d8r4Inputs = 0;
  for (int r = 0; r < kOutputs; ++r) {
    const bool coded = size_t(r) < description_.outputCodes.size() &&
                       description_.outputCodes[size_t(r)] == r16 &&
                       !defects_.outputDead[size_t(r)];
    const bool active = coded || (r == 2 && module.motion().alarmRaised());
    const uint16_t reg = uint16_t(ModuleModel::DigitalOutputs + r);
    const bool terminal = wire ? active != inverted : (module.get(reg) & 1) != 0;
    if (wire) module.set(reg, uint16_t((module.get(reg) & ~1u) | (terminal ? 1 : 0)));
    if (terminal) d8r4Inputs |= uint16_t(1u << r);
  }
  bus_.d8r4().setInputs(d8r4Inputs);

  using Supply = ModuleMotion::Circuit::Supply;
  ModuleMotion::Circuit c;
  c.supply = !benchOn                              ? Supply::ByVoltageType
             : bitSet(relays, description_.bit220) ? Supply::V220
             : bitSet(relays, description_.bit24)  ? Supply::V24
                                                   : Supply::None;
  c.overload = bitSet(relays, description_.overloadBit);
  c.shorted = bitSet(relays, description_.shortBit);
  c.percentAt24V = defects_.current24VHigh ? kHighCurrentPercent : 100;
  c.protectionOff = defects_.noTrip;
  c.shortAlarmOff = defects_.noShortAlarm;
  module.motion().setCircuit(module, c, module.clock().tick());
}

QString SimBench::defectHelp() {
  return QStringLiteral(
      "  defect input K stuck    bench: module input K (1..12) never sees R16\n"
      "  defect output R dead    bench: module output R (1..3) never switches\n"
      "  defect current 24V high bench: the motor draws 30 % more at 24 V\n"
      "  defect no-trip          bench: the module never trips on overload\n"
      "  defect no-short-alarm   bench: the module raises no alarm on a short circuit\n"
      "  defect clear            bench: a sound unit again\n");
}

QString SimBench::defect(const QStringList& args) {
  const QString a = args.join(' ').toLower();
  const auto numberAt = [&](int i, int max) -> int {
    const std::optional<qint64> n = parseNumber(args.value(i), 1, max);
    return n ? int(*n) : 0;
  };
  if (a == QLatin1String("clear")) {
    defects_ = Defects();
    update();
    return QStringLiteral("defects cleared: a sound unit");
  }
  if (args.size() == 3 && args[0].toLower() == QLatin1String("input") &&
      args[2].toLower() == QLatin1String("stuck")) {
    const int k = numberAt(1, BenchDescription::kInputs);
    if (!k) return QStringLiteral("? K must be 1..12, not '%1'").arg(args[1]);
    defects_.inputStuck[size_t(k - 1)] = true;
    update();
    return QStringLiteral("defect: input %1 stuck (never sees R16)").arg(k);
  }
  if (args.size() == 3 && args[0].toLower() == QLatin1String("output") &&
      args[2].toLower() == QLatin1String("dead")) {
    const int r = numberAt(1, kOutputs);
    if (!r) return QStringLiteral("? R must be 1..3, not '%1'").arg(args[1]);
    defects_.outputDead[size_t(r - 1)] = true;
    update();
    return QStringLiteral("defect: output %1 dead (never switches)").arg(r);
  }
  if (a == QLatin1String("current 24v high")) {
    defects_.current24VHigh = true;
    update();
    return QStringLiteral("defect: motor current at 24 V %1 % of the sound value")
        .arg(kHighCurrentPercent);
  }
  if (a == QLatin1String("no-trip")) {
    defects_.noTrip = true;
    update();
    return QStringLiteral("defect: the module never trips on overload");
  }
  if (a == QLatin1String("no-short-alarm")) {
    defects_.noShortAlarm = true;
    update();
    return QStringLiteral("defect: no alarm on a short circuit");
  }
  return QStringLiteral(
      "? usage: defect input K stuck | output R dead | current 24V high | no-trip | "
      "no-short-alarm | clear");
}

QString SimBench::describe() const {
  QStringList d;
  for (int k = 0; k < BenchDescription::kInputs; ++k)
    if (defects_.inputStuck[size_t(k)]) d << QStringLiteral("input %1 stuck").arg(k + 1);
  for (int r = 0; r < kOutputs; ++r)
    if (defects_.outputDead[size_t(r)]) d << QStringLiteral("output %1 dead").arg(r + 1);
  if (defects_.current24VHigh) d << QStringLiteral("current 24V high");
  if (defects_.noTrip) d << QStringLiteral("no-trip");
  if (defects_.noShortAlarm) d << QStringLiteral("no-short-alarm");
  const ModuleMotion::Circuit& c = bus_.module().motion().circuit();
  using Supply = ModuleMotion::Circuit::Supply;
  const char* supply = c.supply == Supply::V220  ? "220 V"
                       : c.supply == Supply::V24 ? "24 V"
                                                 : "none";
  return QStringLiteral("wiring: variant %1, motor supply %2%3%4, defects %5")
      .arg(variant())
      .arg(QLatin1String(supply))
      .arg(c.overload ? QStringLiteral(", overload") : QString())
      .arg(c.shorted ? QStringLiteral(", short circuit") : QString())
      .arg(d.isEmpty() ? QStringLiteral("none") : d.join(QStringLiteral(", ")));
}
