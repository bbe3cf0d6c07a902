#include "tools/CliTrace.h"

#include <QDateTime>

#include "core/Clock.h"

CliTrace::CliTrace(QTextStream& err, Clock& clock)
    : err_(err), time_{QDateTime::currentMSecsSinceEpoch(), clock.tick()} {}

void CliTrace::exchanged(const ExchangeTrace& trace) {
  for (const BusFrame& frame : framesOf(trace, time_)) err_ << frame.line() << Qt::endl;
}
