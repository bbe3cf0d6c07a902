#include "link/FrameRecorder.h"

#include <QDateTime>

#include "core/Clock.h"

FrameRecorder::FrameRecorder(Clock& clock, QObject* parent) : QObject(parent) {
  time_.originMs = QDateTime::currentMSecsSinceEpoch();
  time_.originTick = clock.tick();
}

void FrameRecorder::setTimeBase(const FrameTimeBase& base) {
  std::lock_guard lock(mutex_);
  time_ = base;
}

void FrameRecorder::exchanged(const ExchangeTrace& trace) {
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    // Built under the lock only for the time base; a few hundred bytes at most.
    std::vector<BusFrame> frames = framesOf(trace, time_);
    first = pending_.empty() && !frames.empty();
    for (BusFrame& f : frames) pending_.push_back(std::move(f));
    while (pending_.size() > kMaxPending) {
      pending_.pop_front();
      ++dropped_;
    }
  }
  // Emitted outside the lock: a direct receiver may take at once.
  if (first) emit framesPending();
}

FrameRecorder::Batch FrameRecorder::take() {
  Batch batch;
  std::lock_guard lock(mutex_);
  batch.frames.swap(pending_);
  batch.dropped = std::exchange(dropped_, 0);
  return batch;
}
