#include "sim/ModuleLog.h"

#include <algorithm>

#include "core/Clock.h"
#include "sim/ModuleModel.h"

namespace {

bool covers(uint16_t first, uint16_t count, uint16_t reg) {
  return reg >= first && uint32_t(reg) < uint32_t(first) + count;
}

}  // namespace

void ModuleLog::setClock(Clock* clock) {
  clock_ = clock;
  if (clock_) secondStartMs_ = clock_->tick();
}

void ModuleLog::tick(ModuleModel& module) {
  if (!clock_) return;
  const uint32_t elapsed = clock_->tick() - secondStartMs_;
  const uint32_t seconds = elapsed / 1000;
  if (seconds == 0) return;
  secondStartMs_ += seconds * 1000;
  module.setClockSeconds(module.clockSeconds() + seconds);  // wraps in 2106, as the module's
}

void ModuleLog::reset(ModuleModel& module) {
  records_.clear();
  selected_ = 0;
  endPositions_ = endPositionCode(module);
  if (clock_) secondStartMs_ = clock_->tick();
  showUnread(module);
  showSelected(module);
}

void ModuleLog::logEvent(ModuleModel& module, uint8_t kind, uint8_t code, uint8_t extra) {
  if (module.get(ModuleModel::KeepLog) == 0) return;
  tick(module);
  Record r;
  r.time = module.clockSeconds();
  r.kind = kind;
  r.code = code;
  r.extra = extra;
  r.serial = nextSerial_++;
  records_.push_back(r);
  if (records_.size() > size_t(kCapacity)) records_.pop_front();
  showUnread(module);
}

uint8_t ModuleLog::endPositionCode(const ModuleModel& module) {
  // The inputs the tool watches for the end of a motion: 23 and 24 with input map 1, else 27
  // and 26.
  const bool map1 = module.get(ModuleModel::InputMap) == 1;
  const uint16_t pushEnd = map1 ? 23 : 27;
  const uint16_t pullEnd = map1 ? 24 : 26;
  return uint8_t((module.get(pushEnd) ? 1 : 0) | (module.get(pullEnd) ? 2 : 0));
}

void ModuleLog::logEndPositions(ModuleModel& module) {
  const uint8_t code = endPositionCode(module);
  if (code == endPositions_) return;
  endPositions_ = code;
  logEvent(module, EndPositions, code, 0);
}

void ModuleLog::beforeRead(ModuleModel& module, uint16_t first, uint16_t count) {
  if (covers(first, count, ModuleModel::ClockLow) || covers(first, count, ModuleModel::ClockHigh))
    tick(module);
  if (covers(first, count, ModuleModel::LogRecord)) {
    if (Record* r = find(selected_)) r->unread = false;
    showUnread(module);
  }
}

void ModuleLog::afterWrite(ModuleModel& module, uint16_t first, uint16_t count) {
  if ((covers(first, count, ModuleModel::ClockLow) ||
       covers(first, count, ModuleModel::ClockHigh)) &&
      clock_)
    secondStartMs_ = clock_->tick();
  for (uint16_t reg :
       {ModuleModel::PushCommand, ModuleModel::PullCommand, ModuleModel::ResetCommand})
    if (covers(first, count, reg) && module.get(reg) == 1)
      logEvent(module, Command, uint8_t(reg - ModuleModel::PushCommand + 1), 0);
  if (covers(first, count, ModuleModel::LogRecord)) {
    const Record* r = at(module.get(ModuleModel::LogRecord));
    selected_ = r ? r->serial : 0;
    showSelected(module);
  }
}

int ModuleLog::unread() const {
  return int(
      std::count_if(records_.begin(), records_.end(), [](const Record& r) { return r.unread; }));
}

const ModuleLog::Record* ModuleLog::at(int index) const {
  if (index < 1 || index > size()) return nullptr;
  return &records_[records_.size() - size_t(index)];
}

ModuleLog::Record* ModuleLog::find(uint32_t serial) {
  if (serial == 0) return nullptr;
  for (Record& r : records_)
    if (r.serial == serial) return &r;
  return nullptr;
}

bool ModuleLog::damage(ModuleModel& module, int index) {
  if (!at(index)) return false;
  records_[records_.size() - size_t(index)].damaged = true;
  showSelected(module);
  return true;
}

void ModuleLog::clear(ModuleModel& module) {
  records_.clear();
  selected_ = 0;
  showUnread(module);
  showSelected(module);
}

void ModuleLog::showSelected(ModuleModel& module) {
  const Record* r = find(selected_);
  std::array<uint16_t, kBlockSize> block{};
  if (r) {
    block[0] = r->damaged ? Damaged : Valid;
    block[1] = uint16_t(r->time & 0xFFFF);
    block[2] = uint16_t(r->time >> 16);
    block[3] = uint16_t(r->code << 8 | r->kind);
    block[4] = r->extra;
  }
  for (int i = 0; i < kBlockSize; ++i) module.set(uint16_t(ModuleModel::LogRecord + i), block[i]);
}

void ModuleLog::showUnread(ModuleModel& module) const {
  module.set(ModuleModel::UnreadLogRecords, uint16_t(std::min(unread(), 0xFFFF)));
}
