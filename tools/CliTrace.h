#pragma once

#include <QTextStream>

#include "link/BusFrame.h"

class Clock;

// tarvix-cli --trace: every frame sent and received, one line each on standard error, as the
// monitor window saves them. The command is single-threaded, so the line goes out at once.
class CliTrace : public FrameObserver {
 public:
  CliTrace(QTextStream& err, Clock& clock);
  void exchanged(const ExchangeTrace& trace) override;

 private:
  QTextStream& err_;
  FrameTimeBase time_;
};
