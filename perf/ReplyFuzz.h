#pragma once

#include <QStringList>
#include <array>
#include <cstdint>

// Random and mutated reply bytes fed to the Modbus client's read (function 3) and both writes
// (16 and 6), each through a line that answers with exactly those bytes, and to the frame
// decoders directly from buffers of exactly the reply's size (so a sanitizer sees any read
// beyond them). Every reply the client or a decoder accepts must be a well-formed answer to
// its request, and a refused one must leave the exchange's registers as they were.
struct ReplyFuzzResult {
  enum Shape { Random, BitFlip, Truncated, Extended, Valid, ShapeCount };
  static const char* shapeName(int shape);

  int cases = 0;
  std::array<int, ShapeCount> casesOf{};
  std::array<int, ShapeCount> acceptedOf{};  // by the client
  int wrongAccepts = 0;  // accepted replies that are not a well-formed answer, and the like
  QStringList examples;  // the first faults found, described
};

// `cases` replies from the seed; every length 0..300 comes up among the random ones.
ReplyFuzzResult runReplyFuzz(int cases, uint32_t seed);
