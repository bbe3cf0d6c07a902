#include "app/ui/UiStallProbe.h"

UiStallProbe::UiStallProbe(std::FILE* out, QObject* parent) : QObject(parent), out_(out) {
  // A coarse timer may fire up to 5 % late by design; the probe must see the thread, not that.
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kHeartbeatMs);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (const auto line = beat(clock_.elapsed())) {
      std::fputs(line->constData(), out_);
      std::fflush(out_);
    }
  });
}

void UiStallProbe::start() {
  clock_.start();
  lastBeat_ = -1;
  timer_.start();
}

std::optional<QByteArray> UiStallProbe::beat(qint64 nowMs) {
  if (lastBeat_ < 0) {
    lastBeat_ = periodStart_ = nowMs;
    return std::nullopt;
  }
  longest_ = std::max(longest_, nowMs - lastBeat_);
  lastBeat_ = nowMs;
  if (nowMs - periodStart_ < kReportMs) return std::nullopt;
  const QByteArray line = "ui-stall-ms " + QByteArray::number(longest_) + '\n';
  periodStart_ = nowMs;
  longest_ = 0;
  return line;
}
