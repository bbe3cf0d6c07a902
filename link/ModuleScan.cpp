#include "link/ModuleScan.h"

#include <algorithm>
#include <set>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/LineTiming.h"
#include "link/LinkKeys.h"
#include "link/ModbusRtuClient.h"
#include "link/RtuFrame.h"
#include "link/SerialPortLink.h"
#include "params/ModuleRegisters.h"

namespace {

constexpr int kRates[] = {9600, 19200, 38400, 57600, 115200};
// A request for one register and its reply.
constexpr int kTryBytes = 8 + 7;
// The identifying reads of a module that answered: a few tries each, it is there.
constexpr int kIdentifyAttempts = 3;
// Not a code byte: the probe's reply was no exception.
constexpr uint16_t kNoExceptionCode = 0xFFFF;

}  // namespace

int ScanSetting::baud() const { return speed >= 0 && speed < 5 ? kRates[speed] : 0; }

LineSettings ScanSetting::lineSettings() const {
  LineSettings s;
  s.baudRate = baud();
  s.parity = parity == 1 ? Parity::Even : parity == 2 ? Parity::Odd : Parity::None;
  s.twoStopBits = stopBits != 0;
  return s;
}

QString ScanSetting::parityName() const {
  return parity == 1   ? QStringLiteral("even")
         : parity == 2 ? QStringLiteral("odd")
                       : QStringLiteral("none");
}

QString ScanSetting::text() const {
  return QStringLiteral("%1 baud, parity %2, %3")
      .arg(baud())
      .arg(parityName(), stopBits ? QStringLiteral("2 stop bits") : QStringLiteral("1 stop bit"));
}

ScanSetting ModuleScan::currentSetting(const SettingsStore& mem) {
  ScanSetting s;
  s.speed = mem.readInteger(linkkeys::kSpeed);
  s.parity = mem.readInteger(linkkeys::kParity);
  s.stopBits = mem.readInteger(linkkeys::kStopBits) != 0 ? 1 : 0;
  return s;
}

uint32_t ModuleScan::tryWaitMs(const ScanSetting& setting) {
  return linetime::bytesMs(kTryBytes, setting.lineSettings()) + kTryMarginMs;
}

std::vector<ScanSetting> ModuleScan::settingsInOrder(const ScanPlan& plan,
                                                     const ScanSetting& current) {
  std::vector<ScanSetting> all;
  for (int speed : plan.speeds)
    for (int parity : plan.parities)
      for (int stop : plan.stopBits) all.push_back({speed, parity, stop});
  const auto at = std::find(all.begin(), all.end(), current);
  if (at != all.end()) std::rotate(all.begin(), at, at + 1);
  return all;
}

FoundModule ModuleScan::identify(uint8_t address, const ScanSetting& setting, uint32_t waitMs,
                                 uint16_t firmware) {
  ModbusRtuClient& client = link_.client;
  FoundModule found;
  found.address = address;
  found.setting = setting;
  found.firmware = firmware;
  const auto read = [&](uint16_t reg) -> std::optional<uint16_t> {
    ReadExchange x;
    x.slaveAddress = address;
    x.firstRegister = reg;
    x.registerCount = 1;
    for (int i = 0; i < kIdentifyAttempts; ++i)
      if (client.probeRegisters(x, 3 * waitMs)) return x.registers[0];
    return std::nullopt;
  };
  found.revision = read(modulemap::FirmwareRevision).value_or(0);
  found.logic = read(modulemap::LogicNumber);
  return found;
}

ModuleScan::Outcome ModuleScan::run(const ScanPlan& plan, const Listener& listener,
                                    const std::function<bool()>& stopped) {
  SerialPortLink& port = link_.port;
  if (!port.isOpen()) return Outcome::PortFailed;
  const LineSettings opened = port.lineSettings();
  const ScanSetting current = currentSetting(link_.mem);
  std::vector<ScanSetting> settings = settingsInOrder(plan, current);
  if (!port.setsLineSettings()) {
    settings = {current};
    if (listener.addressesOnly) listener.addressesOnly();
  }
  const int total = int(settings.size()) * plan.addressCount();
  // What is left, from the wait of a silent try at each setting still to come.
  const auto leftMs = [&](size_t from, int addressesDone) {
    uint64_t ms = 0;
    for (size_t i = from; i < settings.size(); ++i)
      ms += uint64_t(tryWaitMs(settings[i])) * plan.addressCount();
    if (from < settings.size()) ms -= uint64_t(tryWaitMs(settings[from])) * addressesDone;
    return uint32_t(std::min<uint64_t>(ms, UINT32_MAX));
  };
  // A module found at one speed is not asked again at another parity or stop bit count of
  // that speed: a receiver checks one stop bit, and a parity bit often passes for a stop bit,
  // so it would only be listed twice.
  std::set<std::pair<int, int>> found;  // address, speed
  std::vector<int> addresses;
  const int adr = link_.client.moduleAddress();
  if (adr >= plan.firstAddress && adr <= plan.lastAddress) addresses.push_back(adr);
  for (int a = plan.firstAddress; a <= plan.lastAddress; ++a)
    if (a != adr) addresses.push_back(a);

  Outcome outcome = Outcome::Finished;
  int done = 0;
  for (size_t s = 0; s < settings.size() && outcome == Outcome::Finished; ++s) {
    const ScanSetting& setting = settings[s];
    if (listener.setting) listener.setting(setting, done, total, leftMs(s, 0));
    if (port.setsLineSettings() && !port.setLineSettings(setting.lineSettings())) {
      if (listener.refused) listener.refused(setting, port.line().errorString());
      done += plan.addressCount();
      continue;
    }
    const uint32_t waitMs = tryWaitMs(setting);
    for (size_t i = 0; i < addresses.size(); ++i) {
      if (stopped && stopped()) {
        outcome = Outcome::Stopped;
        break;
      }
      if (!port.isOpen()) {
        outcome = Outcome::PortFailed;
        break;
      }
      const int a = addresses[i];
      ++done;
      if (found.count({a, setting.speed})) continue;
      ReadExchange x;
      x.slaveAddress = uint8_t(a);
      x.firstRegister = modulemap::FirmwareVersion;
      x.registerCount = 1;
      x.errorCode = kNoExceptionCode;
      const bool answered = link_.client.probeRegisters(x, waitMs);
      if (answered || x.errorCode != kNoExceptionCode) {
        FoundModule m;
        if (answered) {
          m = identify(uint8_t(a), setting, waitMs, x.registers[0]);
        } else {
          m.address = uint8_t(a);
          m.setting = setting;
        }
        found.insert({a, setting.speed});
        if (listener.found) listener.found(m);
      }
      if (listener.progress) listener.progress(done, total, leftMs(s, int(i) + 1));
    }
  }
  if (port.isOpen()) port.setLineSettings(opened);
  return outcome;
}
