#include "operation/ModuleClock.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "link/ModbusRtuClient.h"

namespace {

QString stamp(const DateFields& f) { return formatDate(f) + QLatin1Char(' ') + formatTime(f); }

}  // namespace

void ModuleClock::showModuleClock(uint32_t seconds) {
  ctx_.state.clock.show(secondsToDateFields(seconds));
}

QStringList ModuleClock::clockTexts(const QDateTime& local) {
  const QDate d = local.date();
  const QTime t = local.time();
  const auto two = [](int v) { return QString::asprintf("%02d", v); };
  return {QString::asprintf("%04d", d.year()),
          two(d.month()),
          two(d.day()),
          two(t.hour()),
          two(t.minute()),
          two(t.second())};
}

void ModuleClock::fillClockFromPc() {
  ModuleClockState& s = ctx_.state.clock;
  s.setNewValues(clockTexts(s.localNow()));
}

QString ModuleClock::clockRefusal(const QStringList& values, DateFields* out) {
  const QStringList captions = ModuleClockState::captions();
  const auto& limits = ModuleClockState::kLimits;
  std::array<int, ModuleClockState::kRows> v{};
  for (int r = 0; r < ModuleClockState::kRows; ++r)
    if (r >= values.size() || !parseInteger(values[r], &v[size_t(r)]))
      return QStringLiteral("Ошибка преобразования числа в ячейке: ") + captions[r];
  for (int r = 0; r < ModuleClockState::kRows; ++r)
    if (v[size_t(r)] < limits[size_t(r)].min)
      return QStringLiteral("Число в ячейке: %1 не может быть меньше %2")
          .arg(captions[r])
          .arg(limits[size_t(r)].min);
  for (int r = 0; r < ModuleClockState::kRows; ++r)
    if (v[size_t(r)] > limits[size_t(r)].max)
      return QStringLiteral("Число в ячейке: %1 не может быть больше %2")
          .arg(captions[r])
          .arg(limits[size_t(r)].max);
  DateFields f;
  f.year = uint16_t(v[0]);
  f.month = uint8_t(v[1]);
  f.day = uint8_t(v[2]);
  f.hour = uint8_t(v[3]);
  f.minute = uint8_t(v[4]);
  f.second = uint8_t(v[5]);
  // The two registers end in February 2106; a later date would wrap round to 1970.
  if (!dateFieldsFit(f))
    return QStringLiteral("Часы модуля не могут показывать время позже ") +
           stamp(secondsToDateFields(UINT32_MAX));
  if (out) *out = f;
  return QString();
}

bool ModuleClock::validateNewClock(DateFields* out) {
  const QString refusal = clockRefusal(ctx_.state.clock.newValues(), out);
  if (refusal.isEmpty()) return true;
  ctx_.link().prompter.showMessage(QStringLiteral("Ошибка"), refusal, Prompter::Icon::Error);
  return false;
}

bool ModuleClock::writeClock(const DateFields& f, QString* error) {
  const uint32_t seconds = dateFieldsToSeconds(f);
  const uint16_t words[2] = {uint16_t(seconds & 0xFFFF), uint16_t(seconds >> 16)};
  WriteExchange x;
  const bool ok = ctx_.link().client.writeModuleRegisters(x, ClockLow, words, 2);
  const QString when = stamp(secondsToDateFields(seconds));
  ctx_.link().journal.append(
      ok ? QStringLiteral("Время модуля установлено: ") + when
         : QStringLiteral("Время модуля не установлено (%1): %2").arg(when, x.error));
  if (!ok && error) *error = x.error;
  return ok;
}

bool ModuleClock::writeModuleClock() {
  DateFields f;
  if (!validateNewClock(&f)) return false;
  const LinkContext& link = ctx_.link();
  link.progress.show(QStringLiteral("Запись времени в модуль..."));
  const bool ok = writeClock(f, nullptr);
  if (ok)
    link.progress.setText(QStringLiteral("УСПЕШНО!!!"));
  else
    showWriteFailure(link.progress, link.status, link.clock);
  link.clock.sleep(kPanelPauseMs);
  link.progress.hide();
  return ok;
}
