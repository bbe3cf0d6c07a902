#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

// Cuts the byte stream a slave hears into request frames. Requests of functions 3 and 6 are
// 8 bytes, 16 is 9 plus its byte count; a frame ends when it has that length. A frame of any
// other function ends with silence, so the bus can answer it with an exception. Silence longer
// than the gap (3.5 characters, at least 2 ms) drops a partial frame, which is how a slave finds
// the start of the next request after noise. A complete frame whose CRC does not match is
// dropped, and so is everything after it up to the next silence: its length may have been read
// from a corrupted byte.
class FrameReader {
 public:
  static constexpr int kMaxFrame = 256;

  explicit FrameReader(uint32_t gapMicros) : gapUs_(gapMicros) {}

  // The gap for a line rate (10 bits a character; 0 = no line time: only the 2 ms floor).
  static uint32_t gapForBaud(int baud);
  // The line's rate changed (a client set its port anew).
  void setGap(uint32_t gapMicros) { gapUs_ = gapMicros; }

  // Bytes that arrived at `nowUs`; complete frames with a good CRC are appended to `frames`.
  void feed(const uint8_t* data, int size, uint64_t nowUs, std::vector<QByteArray>& frames);
  // Time has reached `nowUs` with no new byte; a pending silence may end a frame.
  void idle(uint64_t nowUs, std::vector<QByteArray>& frames);
  // When idle() next has something to do, if anything is pending.
  std::optional<uint64_t> gapDeadline() const;

  int droppedFrames() const { return dropped_; }

 private:
  // The length the frame in the buffer will have, or 0 while that is unknown.
  int expectedLength() const;
  void extract(std::vector<QByteArray>& frames);
  void endBySilence(std::vector<QByteArray>& frames);
  void drop();

  uint32_t gapUs_;
  QByteArray buffer_;
  bool skipping_ = false;  // discarding up to the next silence
  uint64_t lastByteUs_ = 0;
  int dropped_ = 0;
};
