#include "bench/OverloadCheck.h"

#include <algorithm>

#include "bench/BenchBus.h"
#include "bench/BenchKeys.h"
#include "bench/TestEnd.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/ModbusRtuClient.h"
#include "operation/Commands.h"
#include "params/ModuleRegisters.h"
#include "params/TableTransfer.h"

namespace {
// The current of firmware 200 and later, read whatever the version.
constexpr uint16_t kCurrentRegister = modulemap::motorCurrent(200);
constexpr uint16_t kAlarmFlag = modulemap::AlarmFlag;
constexpr uint16_t kAlarmCode = modulemap::AlarmCode;
constexpr uint32_t kAfterLoadMs = 1000;

// The module still shows, block by block, either the values saved before the first load or
// the test values written over them: the unit whose values are saved is still on the bench,
// and what it shows now is not its own. Anything else is another unit (or values changed by
// hand), whose own values are the ones read.
bool sameUnitStillLoaded(const OverloadSaved& saved, const OverloadSaved& now) {
  if (!saved.inModule || saved.count != now.count) return false;
  const auto block = [n = size_t(now.count)](const std::array<uint16_t, 4>& shown,
                                             const std::array<uint16_t, 4>& own,
                                             const std::array<uint16_t, 4>& test) {
    return std::equal(shown.begin(), shown.begin() + n, own.begin()) ||
           std::equal(shown.begin(), shown.begin() + n, test.begin());
  };
  return block(now.times, saved.times, saved.testTimes) &&
         block(now.currents, saved.currents, saved.testCurrents) &&
         (now.attempts == saved.attempts || now.attempts == 0);
}

}  // namespace

bool OverloadCheck::fail(const QString& text) {
  ctx_.state.grid.addTestResult(text, ResultGrid::Result::Failed);
  return false;
}

bool OverloadCheck::writeBlock(uint16_t first, const uint16_t* values, int count) {
  WriteExchange x;
  ModbusRtuClient& client = ctx_.link().client;
  return ModbusRtuClient::withRetries(
      [&] { return client.writeModuleRegisters(x, first, values, uint16_t(count)); });
}

bool OverloadCheck::writeOne(uint16_t reg, uint16_t value) {
  WriteExchange x;
  ModbusRtuClient& client = ctx_.link().client;
  return client.writeRegisterAtRetry(x, client.moduleAddress(), reg, value);
}

QString OverloadCheck::settingsRefusal(const TestSettings& s) {
  const qint64 rms = s.value(TestSettings::OvRms);
  // The thresholds rms - 300 and rms - 200 would wrap round to nearly 65535 mA.
  if (rms < kMinRms)
    return QStringLiteral("Недопустимый ток перегрузки: %1 мА (не менее %2 мА)")
        .arg(rms)
        .arg(kMinRms);
  if (rms > 0xFFFF)
    return QStringLiteral("Недопустимый ток перегрузки: %1 мА (не более %2 мА)")
        .arg(rms)
        .arg(0xFFFF);
  const qint64 ovTime = s.value(TestSettings::OvTime);
  const qint64 t = ovTime + s.value(TestSettings::MotTime) + kTripMarginMs;
  if (ovTime < 0 || t < 0 || t > 0xFFFF)
    return QStringLiteral(
               "Недопустимое время перегрузки: %1 мс (с временем работы и 2000 мс не более %2 мс)")
        .arg(ovTime)
        .arg(0xFFFF);
  // A negative wait would compare as a nearly endless unsigned one.
  const qint64 timeout = s.value(TestSettings::OvTimeout);
  if (timeout < 0) return QStringLiteral("Недопустимое время ожидания аварии: %1 мс").arg(timeout);
  return QString();
}

bool OverloadCheck::loadOverloadValues() {
  OverloadSaved& saved = ctx_.state.overload;
  const BenchBus bus(ctx_);
  const int n = bus.firmwareVersion() >= 200 ? 3 : 4;
  const TestSettings& s = ctx_.state.settings;
  const int ovTime = s.value(TestSettings::OvTime);
  const int rms = s.value(TestSettings::OvRms);
  const int motTime = s.value(TestSettings::MotTime);
  // Sixteen-bit arithmetic, as the registers hold it; the series refuses settings that wrap.
  const uint16_t t = uint16_t(uint32_t(ovTime) + uint32_t(motTime) + uint32_t(kTripMarginMs));

  TableTransfer transfer(ctx_.params());
  if (!ModbusRtuClient::withRetries([&] { return transfer.readMainTables(); }))
    return fail(QStringLiteral("Ошибка получения параметров"));

  const ParameterTables& tables = ctx_.params().tables();
  const FirmwareLayout layout = tables.firmware().layout;
  OverloadSaved now;
  now.count = n;
  for (int i = 0; i < n; ++i) {
    now.times[size_t(i)] = tables.bufferValue(ParameterTables::Timers, i);
    now.currents[size_t(i)] = tables.bufferValue(ParameterTables::Actu, i);
  }
  // The attempt count lies beyond the motor table where the table is shorter (firmware 105 to
  // 199): it is read on its own, so the restore puts back the module's value, not a stale one.
  const uint16_t attemptsRegister = uint16_t(layout.motorStart + n + 1);
  if (n + 1 < layout.motorCount) {
    now.attempts = tables.bufferValue(ParameterTables::Actu, n + 1);
  } else if (!bus.readModule(attemptsRegister, &now.attempts)) {
    return fail(QStringLiteral("Ошибка получения параметров"));
  }
  // After a restore that failed the module shows test values: the values saved before the
  // first load stay the unit's own until a restore has succeeded.
  if (!sameUnitStillLoaded(saved, now)) {
    saved.count = n;
    saved.times = now.times;
    saved.currents = now.currents;
    saved.attempts = now.attempts;
  }
  saved.testTimes = {t, t, n == 4 ? t : uint16_t(ovTime), uint16_t(ovTime)};
  saved.testCurrents = {uint16_t(rms - 300), uint16_t(rms - 200),
                        uint16_t(n == 4 ? rms - 100 : rms), uint16_t(rms)};
  // From the first write on the module may hold test values, even when the write's reply is
  // lost: whatever happens next puts the saved ones back.
  saved.inModule = true;

  if (!writeBlock(layout.timersStart, saved.testTimes.data(), n))
    return fail(QStringLiteral("Ошибка загрузки значений времени в блок"));
  if (!writeBlock(layout.motorStart, saved.testCurrents.data(), n))
    return fail(QStringLiteral("Ошибка загрузки значений тока в блок"));
  if (!writeOne(attemptsRegister, 0))
    return fail(QStringLiteral("Ошибка загрузки значения 0 в кол-во попыток"));
  return true;
}

bool OverloadCheck::restoreBlockValues() {
  OverloadSaved& saved = ctx_.state.overload;
  const FirmwareLayout layout = ctx_.params().tables().firmware().layout;
  const int n = saved.count;
  if (!writeBlock(layout.timersStart, saved.times.data(), n))
    return fail(QStringLiteral("Ошибка восстановления значений времени в блоке"));
  if (!writeBlock(layout.motorStart, saved.currents.data(), n))
    return fail(QStringLiteral("Ошибка восстановления значений тока в блоке"));
  if (!writeOne(uint16_t(layout.motorStart + n + 1), saved.attempts))
    return fail(QStringLiteral("Ошибка восстановления кол-ва попыток в блоке"));
  saved.inModule = false;
  return true;
}

bool OverloadCheck::runOverloadCheck(uint16_t supplyWord) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  const uint32_t timeout = uint32_t(ctx_.state.settings.value(TestSettings::OvTimeout));
  const uint16_t loadBit = BenchButtons::bitWord(ctx_.tp.readInteger(benchkeys::kOverloadBit));
  const uint16_t loaded = supplyWord | loadBit;
  const QString step = grid.currentStep();
  if (!bus.writeD8r4(loaded)) {
    ctx_.state.record.noteBenchFault();
    fail(QStringLiteral("Ошибка подключения перегрузки"));
    restoreBlockValues();
    sendCommand(ctx_.operation, command::kReset, command::kReset);
    return false;
  }

  uint32_t tripMs = 0;
  const Trip trip = waitForTrip(timeout, &tripMs);
  if (trip == Trip::Stopped) {
    abortTest(ctx_, QStringLiteral("Прервано пользователем"), QStringLiteral("Останов"));
    return false;
  }
  const bool tripped = trip == Trip::Tripped;
  ctx_.state.record.add({step, QStringLiteral("Срабатывание защиты, мс"),
                         tripped ? QString::number(tripMs) : QStringLiteral("нет"),
                         QStringLiteral("не более %1").arg(timeout),
                         TestRecord::verdictText(!tripped)});

  bool result = true;
  if (!bus.writeD8r4(loaded & ~loadBit)) {
    // It fails the check, so it is a failed row.
    ctx_.state.record.noteBenchFault();
    fail(QStringLiteral("Ошибка сброса команды перегрузки"));
    result = false;
  }
  bus.wait(kAfterLoadMs);
  if (!judgeAlarmCode(step)) result = false;
  sendCommand(ctx_.operation, command::kReset, command::kReset);
  if (!bus.writeD8r4(0)) {
    ctx_.state.record.noteBenchFault();
    fail(QStringLiteral("Ошибка отключения от мотора"));
    restoreBlockValues();
    return false;
  }
  restoreBlockValues();
  if (bus.stopped()) {
    abortTest(ctx_, QStringLiteral("Прервано пользователем"), QStringLiteral("Останов"));
    return false;
  }
  return result;
}

OverloadCheck::Trip OverloadCheck::waitForTrip(uint32_t timeout, uint32_t* tripMs) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  Clock& clock = ctx_.link().clock;
  const uint32_t start = clock.tick();
  while (clock.tick() - start < timeout) {
    uint16_t value = 0;
    if (bus.readModule(kCurrentRegister, &value))
      grid.addTestResult(QStringLiteral("Ток  ") + QString::number(value),
                         ResultGrid::Result::Note);
    else
      grid.addTestResult(QStringLiteral("Сбой опроса тока"), ResultGrid::Result::Note);
    if (!bus.readModule(kAlarmFlag, &value)) {
      grid.addTestResult(QStringLiteral("Сбой опроса флага аварии"), ResultGrid::Result::Note);
    } else if (bus.isAlarm(value)) {
      *tripMs = clock.tick() - start;
      return Trip::Tripped;
    }
    if (bus.stopped()) return Trip::Stopped;
  }
  return Trip::Missed;
}

bool OverloadCheck::judgeAlarmCode(const QString& step) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  uint16_t code = 0;
  QString codeText = QStringLiteral("нет ответа");
  if (!bus.readModule(kAlarmCode, &code)) {
    fail(QStringLiteral("Сбой чтения кода аварии"));
  } else if (code != 0) {
    codeText = QString::number(code);
    grid.addTestResult(QStringLiteral("АВАРИЯ ПО ПРЕПЯТСТВИЮ - ТЕСТ ОК"),
                       ResultGrid::Result::Passed);
  } else {
    codeText = QStringLiteral("0");
    fail(QStringLiteral("ОШИБКА: ОТСУТСТВИЕ ВЕРНОГО КОДА ОШИБКИ"));
  }
  ctx_.state.record.add({step, QStringLiteral("Код аварии (регистр 55)"), codeText,
                         QStringLiteral("не 0"), TestRecord::verdictText(code == 0)});
  return code != 0;
}
