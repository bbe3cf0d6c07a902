#include "sim/FaultPlan.h"

#include <cstring>

#include "link/ModbusCrc.h"

namespace {

constexpr const char* kNames[kFaultKindCount] = {"drop",      "late",    "crc",  "address",
                                                 "exception", "garbage", "short"};

}  // namespace

const char* FaultPlan::name(FaultKind kind) { return kNames[size_t(kind)]; }

std::optional<FaultKind> FaultPlan::parse(const char* name) {
  for (int i = 0; i < kFaultKindCount; ++i)
    if (std::strcmp(name, kNames[i]) == 0) return FaultKind(i);
  return std::nullopt;
}

void FaultPlan::failNext(FaultKind kind, int count) {
  if (count > 0) rules_.push_back({kind, Mode::Next, count});
}

void FaultPlan::failAlways(FaultKind kind) { rules_.push_back({kind, Mode::Always}); }

void FaultPlan::failEvery(FaultKind kind, int k) {
  Rule rule{kind, Mode::Every};
  rule.period = k < 1 ? 1 : k;
  rules_.push_back(rule);
}

void FaultPlan::failRandomly(FaultKind kind, double rate) {
  Rule rule{kind, Mode::Random};
  rule.rate = rate;
  rules_.push_back(rule);
}

void FaultPlan::clear() { rules_.clear(); }

std::optional<FaultKind> FaultPlan::pick() {
  std::optional<FaultKind> chosen;
  for (auto it = rules_.begin(); it != rules_.end();) {
    bool fires = false;
    switch (it->mode) {
      case Mode::Next:
        fires = !chosen;
        break;
      case Mode::Always:
        fires = true;
        break;
      case Mode::Every:
        // Counted whether or not an earlier rule wins, so the period stays exact.
        fires = ++it->seen % it->period == 0;
        break;
      case Mode::Random:
        // One draw per rule and reply keeps the sequence independent of the other rules.
        // Compared on the raw 32-bit draw: the distributions' results differ between libraries.
        fires = double(random_()) < it->rate * 4294967296.0;
        break;
    }
    if (fires && !chosen) {
      chosen = it->kind;
      if (it->mode == Mode::Next && --it->remaining == 0) {
        it = rules_.erase(it);
        continue;
      }
    }
    ++it;
  }
  return chosen;
}

QByteArray FaultPlan::withCrc(QByteArray frame) {
  const uint16_t crc =
      modbusCrc(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
  frame.append(char(crc & 0xFF));
  frame.append(char(crc >> 8));
  return frame;
}

uint32_t FaultPlan::nextLateness() {
  if (lateMaxMs_ <= lateMs_) return lateMs_;
  // On the raw draw, as the rates are: the distributions' results differ between libraries.
  return lateMs_ + uint32_t(lateness_() % (uint64_t(lateMaxMs_ - lateMs_) + 1));
}

QByteArray FaultPlan::shortened(const QByteArray& reply) {
  // Slave, function 3, byte count, the registers, CRC.
  const int bytes = reply.size() >= 5 ? uint8_t(reply[2]) : -1;
  if (uint8_t(reply[1]) != 3 || bytes < 2 || bytes % 2 != 0 || reply.size() != bytes + 5)
    return QByteArray();
  const int kept = bytes / 2 / 2;
  QByteArray frame = reply.left(3 + 2 * kept);
  frame[2] = char(2 * kept);
  return withCrc(frame);
}

FaultPlan::Outcome FaultPlan::apply(const QByteArray& reply) {
  ++repliesSeen_;
  Outcome out;
  out.bytes = reply;
  if (reply.size() < 4) return out;
  out.fault = pick();
  if (!out.fault) return out;
  QByteArray shortReply;
  if (*out.fault == FaultKind::Short && (shortReply = shortened(reply)).isEmpty()) {
    out.fault.reset();  // nothing to leave out of this reply
    return out;
  }
  ++injected_[size_t(*out.fault)];
  const int body = int(reply.size()) - 2;  // without the CRC
  switch (*out.fault) {
    case FaultKind::Drop:
      out.bytes.clear();
      break;
    case FaultKind::Late:
      out.extraDelayMs = nextLateness();
      break;
    case FaultKind::Crc:
      out.bytes[body] = char(~uint8_t(reply[body]));
      out.bytes[body + 1] = char(~uint8_t(reply[body + 1]));
      break;
    case FaultKind::Address: {
      QByteArray frame = reply.left(body);
      const uint8_t other = uint8_t(uint8_t(reply[0]) + 1);
      frame[0] = char(other == 0 ? 1 : other);
      out.bytes = withCrc(frame);
      break;
    }
    case FaultKind::Exception: {
      QByteArray frame;
      frame.append(reply[0]);
      frame.append(char(uint8_t(reply[1]) | 0x80));
      frame.append(char(exceptionCode_));
      out.bytes = withCrc(frame);
      break;
    }
    case FaultKind::Garbage:
      out.bytes = garbage_ + reply;
      break;
    case FaultKind::Short:
      out.bytes = shortReply;
      break;
  }
  return out;
}
