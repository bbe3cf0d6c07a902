#include "sim/MemoryLine.h"

#include "sim/SimBus.h"

MemoryLine::MemoryLine(SimBus& bus, Clock& clock) : TimedSerialLine(clock), bus_(bus) {
  bus_.setClock(clock);
}

bool MemoryLine::open(const QString& device) {
  // A path that names no port fails as the system fails it: an empty one, and on Windows the
  // device prefix of an empty port name with no number after it.
  if (absent_ || device.isEmpty() || device == QLatin1String("\\\\.\\COM")) {
    error_ = QStringLiteral("The system cannot find the file specified.");
    return false;
  }
  open_ = true;
  device_ = device;
  ++openCount_;
  return true;
}

void MemoryLine::close() {
  open_ = false;
  incoming_.clear();
}

bool MemoryLine::applyLineSettings(const LineSettings& settings) {
  if (!open_ || unplugged_ || rejectSettings_) {
    error_ = QStringLiteral("The parameter is incorrect.");
    return false;
  }
  if (settings.baudRate) settings_.baudRate = settings.baudRate;
  if (settings.parity) settings_.parity = settings.parity;
  settings_.twoStopBits = settings.twoStopBits;
  return true;
}

void MemoryLine::discardInput() {
  // Only what has already arrived; bytes still on their way (a late reply) come in later.
  const uint32_t now = clock_.tick();
  while (!incoming_.empty() && int32_t(incoming_.front().first - now) <= 0) incoming_.pop_front();
}

uint32_t MemoryLine::charTimeMicros() const {
  return emulatedBaud_ > 0 ? uint32_t(10'000'000ULL / uint32_t(emulatedBaud_)) : 0;
}

IoResult MemoryLine::write(const uint8_t* data, int size, uint32_t waitMs) {
  if (!open_ || unplugged_) {
    error_ = QStringLiteral("The device does not recognize the command.");
    return IoResult::Failed;
  }
  ++requestCount_;
  const uint32_t sendMs = uint32_t((uint64_t(charTimeMicros()) * size + 999) / 1000);
  if (waitMs > 0 && sendMs > waitMs) {
    // The request is still leaving when the caller stops waiting: it is cut off.
    clock_.sleep(waitMs);
    return IoResult::Pending;
  }
  const QByteArray request(reinterpret_cast<const char*>(data), size);
  // An echoing adapter hands the request back as it leaves.
  if (bus_.adapterEcho())
    for (int i = 0; i < size; ++i)
      incoming_.emplace_back(
          clock_.tick() + uint32_t((uint64_t(charTimeMicros()) * (i + 1) + 999) / 1000),
          uint8_t(data[i]));
  clock_.sleep(sendMs);
  const SimBus::Reply reply = bus_.respond(request, settingsHeard_ ? &settings_ : nullptr);
  const uint32_t start = clock_.tick() + turnaroundMs_ + reply.extraDelayMs;
  const uint32_t charUs = charTimeMicros();
  for (int i = 0; i < reply.bytes.size(); ++i) {
    const uint32_t at = start + uint32_t((uint64_t(charUs) * (i + 1) + 999) / 1000);
    incoming_.emplace_back(at, uint8_t(reply.bytes[i]));
  }
  return IoResult::Completed;
}

int MemoryLine::takeAvailable(uint8_t* buffer, int maxBytes) {
  if (!open_ || unplugged_) return -1;
  const uint32_t now = clock_.tick();
  int n = 0;
  while (n < maxBytes && !incoming_.empty() && int32_t(incoming_.front().first - now) <= 0) {
    buffer[n++] = incoming_.front().second;
    incoming_.pop_front();
  }
  return n;
}

TimedSerialLine::Wait MemoryLine::waitReadable(uint32_t ms) {
  if (!open_ || unplugged_) return Wait::Failed;
  const uint32_t now = clock_.tick();
  if (!incoming_.empty()) {
    const int32_t until = int32_t(incoming_.front().first - now);
    if (until <= 0) return Wait::Readable;
    if (uint32_t(until) <= ms) {
      clock_.sleep(uint32_t(until));
      return Wait::Readable;
    }
  }
  clock_.sleep(ms);
  return Wait::TimedOut;
}
