#include "operation/EventLog.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/ProgressLine.h"
#include "core/Prompter.h"
#include "link/ModbusRtuClient.h"

namespace {

const QString kUnknown = QStringLiteral("???????");

QString textAt(const QStringList& texts, int index) {
  return index >= 0 && index < texts.size() ? texts[index] : kUnknown;
}

}  // namespace

bool EventLog::readRegister(uint16_t reg, uint16_t* value) {
  ReadExchange x;
  if (!ctx_.link().client.readModuleRegisters(x, reg, 1)) {
    ctx_.link().showLinkFailure(x.error);
    return false;
  }
  *value = x.registers[0];
  return true;
}

bool EventLog::readKeepLog() {
  EventLogState& s = ctx_.state.log;
  uint16_t value = 0;
  const bool ok = readRegister(KeepLog, &value);
  // After a failure the page shows the last value read again.
  s.setKeepLog(ok ? int(value) : s.keepLog());
  return ok;
}

bool EventLog::showUnreadCounter() {
  EventLogState& s = ctx_.state.log;
  uint16_t value = 0;
  const bool ok = readRegister(UnreadCounter, &value);
  if (ok) s.unreadCounter = value;
  s.setCounterText(ok ? QString::number(value) : QStringLiteral("---"));
  s.setReadCountText(s.counterText());
  return ok;
}

bool EventLog::showLogState() {
  const bool keepLogRead = readKeepLog();
  EventLogState& s = ctx_.state.log;
  if (s.counterShown) return keepLogRead;
  const bool counterRead = showUnreadCounter();
  s.counterShown = true;
  return keepLogRead && counterRead;
}

void EventLog::keepLogClicked(bool ticked) {
  EventLogState& s = ctx_.state.log;
  const int wanted = ticked ? 1 : 0;
  if (s.keepLog() == wanted) return;  // the page only shows what was read
  WriteExchange x;
  if (!ctx_.link().client.writeModuleRegister(x, KeepLog, uint16_t(wanted)))
    ctx_.link().prompter.showMessage(QStringLiteral("Ошибка"), x.error, Prompter::Icon::Error);
  readKeepLog();
}

QStringList EventLog::errorNames() const {
  const ParameterTables& tables = ctx_.params.tables();
  QStringList names;
  const int rows = tables.rowCount(ParameterTables::Errors);
  for (int r = 0; r < rows; ++r) names << tables.name(ParameterTables::Errors, r);
  return names;
}

EventLogState::Row EventLog::decodeLogRecord(uint32_t row, const uint16_t* block,
                                             const QStringList& commandTexts,
                                             const QStringList& switchTexts,
                                             const QStringList& errorNames) {
  const uint32_t seconds = uint32_t(block[2]) << 16 | block[1];
  const DateFields when = secondsToDateFields(seconds);
  EventLogState::Row cells;
  cells[0] = QString::number(row);
  cells[1] = formatDate(when);
  cells[2] = formatTime(when);
  const uint8_t kind = uint8_t(block[3] & 0xFF);
  const int code = block[3] >> 8;
  switch (kind) {
    case Command:
      cells[3] = QStringLiteral("КОМАНДА");
      cells[4] = textAt(commandTexts, code - 1);
      break;
    case Error:
      cells[3] = QStringLiteral("ОШИБКА");
      cells[4] = textAt(errorNames, code);
      cells[5] = QString::asprintf("%02X", block[4] & 0xFF);
      break;
    case EndPositions:
      cells[3] = QStringLiteral("КОНЦЕВИКИ");
      cells[4] = textAt(switchTexts, code);
      break;
    default:
      break;
  }
  return cells;
}

bool EventLog::readLogRecords() {
  EventLogState& s = ctx_.state.log;
  ProgressLine& panel = ctx_.link().progress;
  Clock& clock = ctx_.link().clock;
  ModbusRtuClient& client = ctx_.link().client;

  // Whatever the field holds, the fetch asks for at least one record and at most the counter.
  int count = 0;
  if (!parseInteger(s.readCountText(), &count) || count < 1) {
    count = 1;
    s.setReadCountText(QStringLiteral("1"));
  }
  const uint16_t counter = s.unreadCounter;
  if (counter < count) {
    count = counter;
    s.setReadCountText(QString::number(counter));
  }

  s.stopRequest = false;
  s.setFetching(true);
  panel.show(QStringLiteral("Чтение журнала..."));
  if (counter == 0) {
    panel.setText(QStringLiteral("В журнале нет ни одной записи"));
    clock.sleep(kMessagePauseMs);
    panel.hide();
    s.setFetching(false);
    return true;
  }

  const QStringList commandTexts = s.commandTexts();
  const QStringList switchTexts = s.switchTexts();
  const QStringList errors = errorNames();
  bool ok = true;
  for (int i = 0; i < count && !s.stopRequest; ++i) {
    panel.setCount(QStringLiteral("Запись %1 из %2").arg(i + 1).arg(count));
    WriteExchange select;
    if (!client.writeModuleRegister(select, RecordBlock, uint16_t(counter - s.recordsRead))) {
      ctx_.link().prompter.showMessage(QStringLiteral("Ошибка"), select.error,
                                       Prompter::Icon::Error);
      ok = false;
      break;
    }
    ReadExchange x;
    if (!client.readModuleRegisters(x, RecordBlock, kBlockSize)) {
      ctx_.link().showLinkFailure(x.error);
      ok = false;
      break;
    }
    const uint16_t status = x.registers[0];
    if (status == NoRecord) {
      panel.setText(QStringLiteral("Журнал прочитан"));
      clock.sleep(kMessagePauseMs);
      break;
    }
    if (status != Damaged && status != Valid) continue;  // neither shown nor counted
    // The record is named by the row it takes, as the table numbers it.
    const uint32_t number = ++s.recordsRead;
    if (status == Damaged) {
      panel.setText(QStringLiteral("Запись %1 повреждена").arg(number));
      emit s.recordFetched(number, true);
      clock.sleep(kMessagePauseMs);
      continue;
    }
    panel.setText(QStringLiteral("Запись %1 ОК").arg(number));
    s.setRow(int(number),
             decodeLogRecord(number, x.registers.data(), commandTexts, switchTexts, errors));
    emit s.recordFetched(number, false);
  }
  s.setCounterText(QString::number(int(counter) - int(s.recordsRead)));
  s.setFetching(false);
  panel.hide();
  return ok;
}

void EventLog::clearLogTable() {
  EventLogState& s = ctx_.state.log;
  s.resetTable();
  s.recordsRead = 0;
  showUnreadCounter();
}
