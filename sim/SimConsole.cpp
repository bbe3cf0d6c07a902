#include "sim/SimConsole.h"

#include <mutex>
#include <optional>

#include "core/Clock.h"
#include "core/Numbers.h"
#include "sim/SimBus.h"

namespace {

constexpr int kInputs = 17;
constexpr int kErrors = 12;
constexpr int kOutputs = 3;

// Decimal, or hexadecimal with 0x; a leading zero does not make it octal, as strtol would.
std::optional<long> number(const QString& text, long min, long max) {
  const std::optional<qint64> value = parseNumber(text, min, max);
  if (!value) return std::nullopt;
  return long(*value);
}

QString usageError(const char* usage) { return QStringLiteral("? usage: %1").arg(usage); }

QString rangeError(const char* what, const QString& text, long min, long max) {
  return QStringLiteral("? %1 must be %2..%3, not '%4'").arg(what).arg(min).arg(max).arg(text);
}

// The line settings the module listens at, as the link dialog shows them.
QString lineText(const ModuleModel& m) {
  const SlaveDevice::LineFormat f = m.lineFormat();
  const char* parity = f.parity == Parity::Even ? "even" : f.parity == Parity::Odd ? "odd" : "none";
  return QStringLiteral("%1 baud, parity %2, %3 stop bits")
      .arg(f.baud > 0 ? QString::number(f.baud) : QStringLiteral("?"))
      .arg(parity)
      .arg(f.twoStopBits ? 2 : 1);
}

QString versionText(uint16_t version, uint16_t revision) {
  return revision ? QStringLiteral("%1.%2").arg(version).arg(revision) : QString::number(version);
}

// One character per register, register `first` leftmost: reads like the lamps, numbered from 1.
QString bits(const ModuleModel& module, uint16_t first, int count, uint16_t mask) {
  QString out;
  for (int i = 0; i < count; ++i) out += (module.get(uint16_t(first + i)) & mask) ? '1' : '0';
  return out;
}

}  // namespace

SimConsole::SimConsole(SimBus& bus, Clock& clock) : bus_(bus), clock_(clock) {
  bus_.setClock(clock);
}

QString SimConsole::helpText() {
  return QStringLiteral(
             "console commands (numbers decimal or 0x hex):\n"
             "  set REG VALUE           write any module register, map or not (0: the address\n"
             "                          it answers at; 1 to 3: speed, parity, stop bits)\n"
             "  get REG                 read any module register\n"
             "  input N on|off|toggle   digital input N (1..17): register 15+N; a change of the\n"
             "                          end-position inputs (8 and 9 with input map 1, else 12\n"
             "                          and 11) is logged\n"
             "  error N on|off [DETAIL] error flag N (1..12): register 47+N; raising it logs\n"
             "                          an error record with code N-1 and DETAIL (0..255)\n"
             "  output N on|off         digital output N (1..3): bit 0 of register 127+N\n"
             "  debug N VALUE           debug value N (1..16): register 255+N\n"
             "  state N                 control state, register 11 (0 ready, 1 moving, 4 alarm)\n"
             "  firmware V [R]          a module with firmware V (revision R) plugged in instead:\n"
             "                          its register map and its power-on values\n"
             "  password [N]            the password a motor voltage change must carry in\n"
             "                          register 118 (0..65535); without N: the present one\n"
             "  unplug                  the USB adapter pulled out: the port (--link PATH) "
             "vanishes\n"
             "                          and a program that has it open sees the device gone\n"
             "  plug                    the adapter back: a new port at the same path\n"
             "  cable off|on            the module's cable pulled (no reply at all) | back in\n"
             "  echo on|off             the RS-485 adapter sends every request back ahead of the\n"
             "                          reply | does not\n"
             "  fault KIND[:RATE]       faults in the module's replies, RATE 0..1 (default 1);\n"
             "                          KIND: drop, late, crc, address, exception, garbage,\n"
             "                          short (half the registers asked)\n"
             "  fault clear             no more faults\n"
             "  drift on|off            debug values wander slowly | stay put\n"
             "  travel [MS]             travel time of a push or pull, ms (0..600000, default "
             "3000);\n"
             "                          without MS: the present one\n"
             "  alarm on|off            control state 4 (the drive stops, commands are refused)\n"
             "                          | back to 0\n"
             "  log                     the event log, newest first (K as register 337 selects)\n"
             "  log clear               an empty log\n"
             "  damage K                record K (1 = newest) reads as damaged\n"
             "  clock [SECONDS]         the module clock (registers 4-5); SECONDS since 1970\n"
             "                          sets it\n"
             "  defect ...              with --bench: break the unit under test (see below)\n"
             "  status                  address, firmware, inputs, outputs, errors, motor voltage\n"
             "  help                    this text\n"
             "  quit                    stop tarvix-sim\n") +
         SimBench::defectHelp().chopped(1);
}

bool SimConsole::addFault(FaultPlan& plan, const QString& rule) {
  const qsizetype colon = rule.indexOf(':');
  const std::optional<FaultKind> kind = FaultPlan::parse(rule.left(colon).toLatin1().constData());
  if (!kind) return false;
  double rate = 1.0;
  if (colon >= 0) {
    bool ok = false;
    rate = rule.mid(colon + 1).toDouble(&ok);
    if (!ok || !(rate >= 0.0 && rate <= 1.0)) return false;
  }
  if (rate >= 1.0)
    plan.failAlways(*kind);
  else if (rate > 0.0)
    plan.failRandomly(*kind, rate);
  return true;
}

QString SimConsole::execute(const QString& line) {
  QStringList words = line.simplified().split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return QString();
  const QString command = words.takeFirst().toLower();
  std::lock_guard<std::mutex> lock(bus_.mutex());
  bus_.module().update();
  const QString reply = dispatch(command, words);
  if (SimBench* bench = bus_.bench()) bench->update();
  return reply;
}

void SimConsole::tick() {
  std::lock_guard<std::mutex> lock(bus_.mutex());
  drift_.apply(bus_.module(), clock_.tick());
  bus_.module().update();
  if (SimBench* bench = bus_.bench()) bench->update();
}

QString SimConsole::dispatch(const QString& command, const QStringList& args) {
  if (command == "set") return setRegister(args);
  if (command == "get") return getRegister(args);
  if (command == "input") return input(args);
  if (command == "error") return error(args);
  if (command == "output") return output(args);
  if (command == "debug") return debug(args);
  if (command == "state") return state(args);
  if (command == "firmware") return firmware(args);
  if (command == "password") return password(args);
  if (command == "unplug" && args.isEmpty()) return adapter(true);
  if (command == "plug" && args.isEmpty()) return adapter(false);
  if (command == "cable") return cable(args);
  if (command == "echo") return echo(args);
  if (command == "fault") return fault(args);
  if (command == "drift") return driftCommand(args);
  if (command == "log") return logCommand(args);
  if (command == "damage") return damage(args);
  if (command == "clock") return clockCommand(args);
  if (command == "travel") return travel(args);
  if (command == "alarm") return alarm(args);
  if (command == "defect") {
    if (!bus_.bench()) return QStringLiteral("? no bench: start tarvix-sim with --bench tp.ini");
    return bus_.bench()->defect(args);
  }
  if (command == "status" && args.isEmpty()) return status();
  if (command == "help") return helpText();
  if (command == "quit" && args.isEmpty()) {
    quitRequested_ = true;
    return QStringLiteral("bye");
  }
  return QStringLiteral("? unknown command '%1'; type help").arg(command);
}

QString SimConsole::setRegister(const QStringList& args) {
  if (args.size() != 2) return usageError("set REG VALUE");
  const auto reg = number(args[0], 0, 0xFFFF);
  if (!reg) return rangeError("REG", args[0], 0, 0xFFFF);
  const auto value = number(args[1], 0, 0xFFFF);
  if (!value) return rangeError("VALUE", args[1], 0, 0xFFFF);
  // Register 0 is the address the module answers at, as a write over the bus makes it.
  if (*reg == ModuleModel::SlaveAddress)
    bus_.module().setAddress(uint8_t(*value));
  else
    bus_.module().set(uint16_t(*reg), uint16_t(*value));
  return QStringLiteral("%1 = %2").arg(*reg).arg(*value);
}

QString SimConsole::getRegister(const QStringList& args) {
  if (args.size() != 1) return usageError("get REG");
  const auto reg = number(args[0], 0, 0xFFFF);
  if (!reg) return rangeError("REG", args[0], 0, 0xFFFF);
  return QStringLiteral("%1 = %2").arg(*reg).arg(bus_.module().get(uint16_t(*reg)));
}

QString SimConsole::input(const QStringList& args) {
  if (args.size() != 2) return usageError("input N on|off|toggle");
  const auto n = number(args[0], 1, kInputs);
  if (!n) return rangeError("N", args[0], 1, kInputs);
  const uint16_t reg = uint16_t(ModuleModel::DigitalInputs - 1 + *n);
  ModuleModel& module = bus_.module();
  const QString how = args[1].toLower();
  bool on = false;
  if (how == "toggle")
    on = module.get(reg) == 0;
  else if (how == "on" || how == "off")
    on = how == "on";
  else
    return usageError("input N on|off|toggle");
  module.set(reg, on ? 1 : 0);
  module.logEndPositions();
  return QStringLiteral("input %1 %2 (register %3 = %4)")
      .arg(*n)
      .arg(on ? "on" : "off")
      .arg(reg)
      .arg(on ? 1 : 0);
}

QString SimConsole::error(const QStringList& args) {
  if (args.size() != 2 && args.size() != 3) return usageError("error N on|off [DETAIL]");
  const auto n = number(args[0], 1, kErrors);
  if (!n) return rangeError("N", args[0], 1, kErrors);
  const QString how = args[1].toLower();
  if ((how != "on" && how != "off") || (how == "off" && args.size() == 3))
    return usageError("error N on|off [DETAIL]");
  std::optional<long> detail = 0;
  if (args.size() == 3 && !(detail = number(args[2], 0, 0xFF)))
    return rangeError("DETAIL", args[2], 0, 0xFF);
  const uint16_t reg = uint16_t(ModuleModel::Errors - 1 + *n);
  ModuleModel& module = bus_.module();
  // The module logs an error when it arises; its row in the errors table is the code.
  if (how == "on" && module.get(reg) == 0)
    module.logEvent(ModuleLog::Error, uint8_t(*n - 1), uint8_t(*detail));
  module.set(reg, how == "on" ? 1 : 0);
  return QStringLiteral("error %1 %2 (register %3 = %4)")
      .arg(*n)
      .arg(how)
      .arg(reg)
      .arg(how == "on" ? 1 : 0);
}

QString SimConsole::output(const QStringList& args) {
  if (args.size() != 2) return usageError("output N on|off");
  const auto n = number(args[0], 1, kOutputs);
  if (!n) return rangeError("N", args[0], 1, kOutputs);
  const QString how = args[1].toLower();
  if (how != "on" && how != "off") return usageError("output N on|off");
  const uint16_t reg = uint16_t(ModuleModel::DigitalOutputs - 1 + *n);
  ModuleModel& module = bus_.module();
  // Only bit 0 is the output; whatever else a test put into the register stays.
  const uint16_t value = uint16_t((module.get(reg) & ~1u) | (how == "on" ? 1u : 0u));
  module.set(reg, value);
  return QStringLiteral("output %1 %2 (register %3 = %4)").arg(*n).arg(how).arg(reg).arg(value);
}

QString SimConsole::debug(const QStringList& args) {
  if (args.size() != 2) return usageError("debug N VALUE");
  const auto n = number(args[0], 1, DebugDrift::kValues);
  if (!n) return rangeError("N", args[0], 1, DebugDrift::kValues);
  const auto value = number(args[1], 0, 0xFFFF);
  if (!value) return rangeError("VALUE", args[1], 0, 0xFFFF);
  const uint16_t reg = uint16_t(ModuleModel::Debug - 1 + *n);
  bus_.module().set(reg, uint16_t(*value));
  drift_.setCentre(int(*n - 1), uint16_t(*value));
  return QStringLiteral("debug %1 = %2 (register %3)").arg(*n).arg(*value).arg(reg);
}

QString SimConsole::state(const QStringList& args) {
  if (args.size() != 1) return usageError("state N");
  const auto value = number(args[0], 0, 0xFFFF);
  if (!value) return rangeError("N", args[0], 0, 0xFFFF);
  bus_.module().set(ModuleModel::ControlState, uint16_t(*value));
  return QStringLiteral("control state %1 (register %2)")
      .arg(*value)
      .arg(ModuleModel::ControlState);
}

QString SimConsole::firmware(const QStringList& args) {
  if (args.isEmpty() || args.size() > 2) return usageError("firmware V [R]");
  const auto version = number(args[0], 0, 0xFFFF);
  if (!version) return rangeError("V", args[0], 0, 0xFFFF);
  std::optional<long> revision = 0;
  if (args.size() == 2 && !(revision = number(args[1], 0, 0xFFFF)))
    return rangeError("R", args[1], 0, 0xFFFF);
  ModuleModel& module = bus_.module();
  module.installFirmware(uint16_t(*version), uint16_t(*revision));
  // The new module's debug values are what drifts from now on.
  if (drift_.running()) drift_.start(module, clock_.tick());
  return QStringLiteral("firmware %1 plugged in: its register map and power-on values")
      .arg(versionText(module.firmwareVersion(), module.firmwareRevision()));
}

QString SimConsole::password(const QStringList& args) {
  if (args.size() > 1) return usageError("password [N]");
  ModuleModel& module = bus_.module();
  if (args.size() == 1) {
    const auto value = number(args[0], 0, 0xFFFF);
    if (!value) return rangeError("N", args[0], 0, 0xFFFF);
    module.setMotorPassword(uint16_t(*value));
  }
  return QStringLiteral("motor voltage password %1").arg(module.motorPassword());
}

QString SimConsole::cable(const QStringList& args) {
  const QString how = args.size() == 1 ? args[0].toLower() : QString();
  if (how != "on" && how != "off") return usageError("cable off|on");
  bus_.setModulePlugged(how == "on");
  const int address = bus_.module().address();
  return how == "on" ? QStringLiteral("module cable in: answering at address %1").arg(address)
                     : QStringLiteral("module cable pulled: address %1 stays silent").arg(address);
}

QString SimConsole::echo(const QStringList& args) {
  const QString how = args.size() == 1 ? args[0].toLower() : QString();
  if (how != "on" && how != "off") return usageError("echo on|off");
  bus_.setAdapterEcho(how == "on");
  return how == "on"
             ? QStringLiteral("adapter echo on: every request comes back ahead of its reply")
             : QStringLiteral("adapter echo off");
}

QString SimConsole::adapter(bool pullOut) {
  if (!adapter_) return QStringLiteral("? no adapter here: the module is not on a port");
  return adapter_(pullOut);
}

QString SimConsole::fault(const QStringList& args) {
  if (args.size() != 1) return usageError("fault KIND[:RATE] | fault clear");
  FaultPlan& plan = bus_.faults();
  if (args[0].toLower() == "clear") {
    plan.clear();
    return QStringLiteral("faults cleared");
  }
  const QString rule = args[0].toLower();
  if (!addFault(plan, rule))
    return QStringLiteral(
               "? unknown fault '%1'; KIND: drop, late, crc, address, exception, "
               "garbage, short; RATE 0..1")
        .arg(args[0]);
  const QString scope = plan.benchInScope() ? "module and bench" : "module";
  const qsizetype colon = rule.indexOf(':');
  const double rate = colon < 0 ? 1.0 : rule.mid(colon + 1).toDouble();
  const QString kind = rule.left(colon);
  if (rate <= 0.0) return QStringLiteral("fault %1 at rate 0: nothing added").arg(kind);
  if (rate >= 1.0) return QStringLiteral("fault %1 on every %2 reply").arg(kind, scope);
  return QStringLiteral("fault %1 on a share %2 of %3 replies").arg(kind).arg(rate).arg(scope);
}

QString SimConsole::driftCommand(const QStringList& args) {
  const QString how = args.size() == 1 ? args[0].toLower() : QString();
  if (how == "on") {
    if (!drift_.running()) drift_.start(bus_.module(), clock_.tick());
    return QStringLiteral("debug values drift slowly");
  }
  if (how == "off") {
    drift_.stop();
    return QStringLiteral("debug values stay put");
  }
  return usageError("drift on|off");
}

QString SimConsole::travel(const QStringList& args) {
  if (args.size() > 1) return usageError("travel [MS]");
  ModuleMotion& motion = bus_.module().motion();
  if (args.size() == 1) {
    const auto ms = number(args[0], 0, 600'000);
    if (!ms) return rangeError("MS", args[0], 0, 600'000);
    motion.setTravelMs(uint32_t(*ms));
  }
  return QStringLiteral("travel time %1 ms").arg(motion.travelMs());
}

QString SimConsole::alarm(const QStringList& args) {
  const QString how = args.size() == 1 ? args[0].toLower() : QString();
  if (how != "on" && how != "off") return usageError("alarm on|off");
  ModuleModel& module = bus_.module();
  module.motion().setAlarm(module, how == "on", clock_.tick());
  return how == "on" ? QStringLiteral("alarm: control state 4 (register 11)")
                     : QStringLiteral("alarm cleared: control state 0 (register 11)");
}

QString SimConsole::status() const {
  const ModuleModel& m = bus_.module();
  const FaultPlan& plan = bus_.faults();
  QString out = QStringLiteral(
                    "module at %1: firmware %2, logic %3, input map %4, control state "
                    "%5, %6, faults %7, debug values %8, line %9\n")
                    .arg(m.address())
                    .arg(versionText(m.firmwareVersion(), m.firmwareRevision()))
                    .arg(m.get(ModuleModel::LogicNumber))
                    .arg(m.get(ModuleModel::InputMap))
                    .arg(m.get(ModuleModel::ControlState))
                    .arg(bus_.modulePlugged() ? "answering" : "cable pulled")
                    .arg(plan.empty() ? "none" : "active")
                    .arg(drift_.running() ? "drifting" : "steady")
                    .arg(lineText(m) + (bus_.adapterEcho() ? ", adapter echo" : ""));
  out += QStringLiteral("inputs 1-17 %1  outputs 1-3 %2  errors 1-12 %3\n")
             .arg(bits(m, ModuleModel::DigitalInputs, kInputs, 0xFFFF))
             .arg(bits(m, ModuleModel::DigitalOutputs, kOutputs, 1))
             .arg(bits(m, ModuleModel::Errors, kErrors, 0xFFFF));
  out += QStringLiteral(
             "motor: voltage type %1 (register 119), change result %2 (register 269), "
             "password %3\n")
             .arg(m.get(ModuleModel::MotorVoltageType))
             .arg(m.get(ModuleModel::MotorChangeResult))
             .arg(m.motorPassword());
  const ModuleMotion& motion = m.motion();
  QString drive = QStringLiteral("at rest");
  if (motion.alarm())
    drive = QStringLiteral("alarm");
  else if (motion.phase() == ModuleMotion::Phase::Arrived)
    drive = QStringLiteral("arrived");
  else if (motion.phase() == ModuleMotion::Phase::Moving)
    drive = motion.motionRegister() == ModuleModel::PushCommand ? QStringLiteral("pushing")
                                                                : QStringLiteral("pulling");
  out += QStringLiteral("drive: %1, travel %2 ms, motor current %3 (register %4)\n")
             .arg(drive)
             .arg(motion.travelMs())
             .arg(m.get(ModuleMotion::currentRegister(m.firmwareVersion())))
             .arg(ModuleMotion::currentRegister(m.firmwareVersion()));
  const auto word = [](uint16_t w) { return QStringLiteral("%1").arg(w, 4, 16, QChar('0')); };
  out += QStringLiteral("bench: R16 at %1 out %2 in %3, D8R4 at %4 out %5 in %6")
             .arg(bus_.r16().address())
             .arg(word(bus_.r16().outputs()))
             .arg(word(bus_.r16().inputs()))
             .arg(bus_.d8r4().address())
             .arg(word(bus_.d8r4().outputs()))
             .arg(word(bus_.d8r4().inputs()));
  if (const SimBench* bench = bus_.bench()) out += '\n' + bench->describe();
  return out;
}
