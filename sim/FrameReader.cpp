#include "sim/FrameReader.h"

#include "link/ModbusCrc.h"

namespace {

bool crcMatches(const QByteArray& frame) {
  if (frame.size() < 4) return false;
  const int body = int(frame.size()) - 2;
  const uint16_t crc = uint16_t(uint8_t(frame[body]) | uint8_t(frame[body + 1]) << 8);
  return modbusCrc(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(body)) == crc;
}

}  // namespace

uint32_t FrameReader::gapForBaud(int baud) {
  const uint32_t lineGap = baud > 0 ? uint32_t(35'000'000ULL / uint32_t(baud)) : 0;
  return lineGap < 2000 ? 2000 : lineGap;
}

int FrameReader::expectedLength() const {
  if (buffer_.size() < 2) return 0;
  switch (uint8_t(buffer_[1])) {
    case 3:
    case 6:
      return 8;
    case 16:
      return buffer_.size() < 7 ? 0 : 9 + uint8_t(buffer_[6]);
    default:
      return 0;
  }
}

void FrameReader::drop() {
  buffer_.clear();
  ++dropped_;
}

void FrameReader::extract(std::vector<QByteArray>& frames) {
  for (;;) {
    const int length = expectedLength();
    if (length == 0 || buffer_.size() < length) break;
    QByteArray frame = buffer_.left(length);
    buffer_.remove(0, length);
    if (crcMatches(frame)) {
      frames.push_back(frame);
    } else {
      drop();
      skipping_ = true;
      return;
    }
  }
  if (buffer_.size() > kMaxFrame) {
    drop();
    skipping_ = true;
  }
}

void FrameReader::endBySilence(std::vector<QByteArray>& frames) {
  skipping_ = false;
  if (buffer_.isEmpty()) return;
  // Only a frame of a function without a known length can end here; any other is partial.
  if (crcMatches(buffer_) && expectedLength() == 0 && uint8_t(buffer_[1]) != 16) {
    frames.push_back(buffer_);
    buffer_.clear();
  } else {
    drop();
  }
}

void FrameReader::feed(const uint8_t* data, int size, uint64_t nowUs,
                       std::vector<QByteArray>& frames) {
  if (size <= 0) return;
  idle(nowUs, frames);
  lastByteUs_ = nowUs;
  if (skipping_) return;
  buffer_.append(reinterpret_cast<const char*>(data), size);
  extract(frames);
}

void FrameReader::idle(uint64_t nowUs, std::vector<QByteArray>& frames) {
  if ((skipping_ || !buffer_.isEmpty()) && nowUs - lastByteUs_ > gapUs_) endBySilence(frames);
}

std::optional<uint64_t> FrameReader::gapDeadline() const {
  if (!skipping_ && buffer_.isEmpty()) return std::nullopt;
  return lastByteUs_ + gapUs_ + 1;
}
