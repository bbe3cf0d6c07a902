#pragma once

#include <QObject>
#include <cstdint>
#include <deque>
#include <mutex>

#include "link/BusFrame.h"

class Clock;

// The worker's side of the traffic monitor: the client notes each exchange here, under the
// port lock, and goes on. The frames wait in a buffer of their own until the window's thread
// takes them all at once; the first frame of each batch raises `framesPending`, which reaches
// the taker queued, so the client never waits for the window and the window is woken at most
// once per batch however fast the bus runs.
class FrameRecorder : public QObject, public FrameObserver {
  Q_OBJECT
 public:
  explicit FrameRecorder(Clock& clock, QObject* parent = nullptr);

  void exchanged(const ExchangeTrace& trace) override;

  struct Batch {
    std::deque<BusFrame> frames;
    uint64_t dropped = 0;  // frames lost since the last take because nobody took them
  };
  // Any thread: everything noted since the last take.
  Batch take();

  // Wall time of the frames, for tests on virtual time.
  void setTimeBase(const FrameTimeBase& base);

  // A taker that stalls longer than this many frames loses the oldest.
  static constexpr size_t kMaxPending = 20000;

 signals:
  void framesPending();

 private:
  std::mutex mutex_;
  FrameTimeBase time_;
  std::deque<BusFrame> pending_;
  uint64_t dropped_ = 0;
};
