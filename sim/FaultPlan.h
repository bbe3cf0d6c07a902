#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

enum class FaultKind {
  Drop,       // no reply at all
  Late,       // the reply comes lateMs() after the normal turnaround
  Crc,        // both CRC bytes inverted
  Address,    // the reply names another slave (CRC made to match)
  Exception,  // an exception reply with exceptionCode() in place of the answer
  Garbage,    // garbage() bytes ahead of the reply
  Short,      // a register read answered with half the registers asked (CRC made to match);
              // replies to anything else go out unchanged
};
constexpr int kFaultKindCount = 7;

// Faults injected into the replies of the simulated bus. Rules are checked in the order they
// were added; the first that fires on a reply decides its fault, so a reply carries at most one.
// Every reply in scope counts, faulty or not: failEvery(kind, 3) hits replies 3, 6, 9, ...
// counted from when the rule was added. By default only the module's replies are in scope, so
// a test can break the module's link while the bench keeps working; setBenchInScope(true)
// brings the bench modules in. Random rules use their own generator with a fixed seed, so a run
// of tarvix-sim with the same options and traffic injects the same faults.
class FaultPlan {
 public:
  struct Outcome {
    QByteArray bytes;  // empty: no reply
    uint32_t extraDelayMs = 0;
    std::optional<FaultKind> fault;
  };

  // The next `count` replies get `kind`.
  void failNext(FaultKind kind, int count = 1);
  void failAlways(FaultKind kind);
  // Every k-th reply from now on (k >= 1).
  void failEvery(FaultKind kind, int k);
  // Each reply with probability `rate` (0..1).
  void failRandomly(FaultKind kind, double rate);
  void clear();
  bool empty() const { return rules_.empty(); }

  void setSeed(uint32_t seed) {
    random_.seed(seed);
    lateness_.seed(seed);
  }
  void setLateMs(uint32_t ms) { lateMs_ = lateMaxMs_ = ms; }
  uint32_t lateMs() const { return lateMs_; }
  // Each late reply is late by a lateness drawn evenly from minMs..maxMs, from a generator of
  // its own, so the choice of faults stays the same as with a fixed lateness.
  void setLateRangeMs(uint32_t minMs, uint32_t maxMs) {
    lateMs_ = minMs;
    lateMaxMs_ = maxMs < minMs ? minMs : maxMs;
  }
  uint32_t lateMaxMs() const { return lateMaxMs_; }
  void setExceptionCode(uint8_t code) { exceptionCode_ = code; }
  uint8_t exceptionCode() const { return exceptionCode_; }
  void setGarbage(const QByteArray& bytes) { garbage_ = bytes; }
  const QByteArray& garbage() const { return garbage_; }
  void setBenchInScope(bool inScope) { benchInScope_ = inScope; }
  bool benchInScope() const { return benchInScope_; }

  // Takes one complete reply frame (with CRC) and returns what goes on the line.
  Outcome apply(const QByteArray& reply);

  int injected(FaultKind kind) const { return injected_[size_t(kind)]; }
  int repliesSeen() const { return repliesSeen_; }

  static const char* name(FaultKind kind);
  static std::optional<FaultKind> parse(const char* name);

 private:
  enum class Mode { Next, Always, Every, Random };
  struct Rule {
    FaultKind kind;
    Mode mode;
    int remaining = 0;  // Next
    int period = 1;     // Every
    int seen = 0;       // Every: replies counted since the rule was added
    double rate = 0;    // Random
  };

  std::optional<FaultKind> pick();
  uint32_t nextLateness();
  static QByteArray withCrc(QByteArray frame);
  // The reply with half its registers, or an empty array for a reply that carries none.
  static QByteArray shortened(const QByteArray& reply);

  std::vector<Rule> rules_;
  std::mt19937 random_{1};
  // With default timings a master gives up 120 ms after its request and then keeps the line
  // quiet for another 120 ms: a reply 180 ms late lands inside that window.
  uint32_t lateMs_ = 180;
  uint32_t lateMaxMs_ = 180;
  std::mt19937 lateness_{1};
  uint8_t exceptionCode_ = 4;  // slave device failure
  QByteArray garbage_ = QByteArray("\x00\xFF\xA5", 3);
  bool benchInScope_ = false;
  std::array<int, kFaultKindCount> injected_{};
  int repliesSeen_ = 0;
};
