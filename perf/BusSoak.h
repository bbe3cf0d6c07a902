#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "sim/FaultPlan.h"

// The poll pass and the table reads of the program's core against the simulated module over
// the in-memory line, on virtual time, with faults injected at random into the module's
// replies. The module gives every polled register a new value at each read of it, so a reply
// taken for the wrong request (or a stale one) shows as a value that differs from what the
// module holds when the value reaches a table or the control block.
struct BusSoakOptions {
  int exchanges = 100000;
  uint32_t seed = 1;
  double faultShare = 0.05;  // of the module's replies, spread evenly over the kinds
  // Lateness of a late reply beyond the normal turnaround, drawn evenly from this range.
  uint32_t lateMinMs = 1;
  uint32_t lateMaxMs = 233;
  int baud = 9600;
  uint32_t turnaroundMs = 5;
};

struct BusSoakResult {
  int exchanges = 0;        // requests that went out on the line
  int acceptedReplies = 0;  // read replies that passed every check
  int passes = 0;
  int offlinePasses = 0;  // passes that ended with the module offline
  int valuesChecked = 0;  // register values that reached a table or the control block
  int wrongValues = 0;    // of them, those that differ from what the module holds
  std::array<int, kFaultKindCount> injected{};
  QMap<QString, int> failuresShown;  // failure texts put on the status line, and how often
  QStringList examples;              // the first wrong values, described
  // With the default timings: a reply whose first byte comes this long after its exchange
  // gave up, at the most (negative: before).
  int latestArrivalAfterGiveUpMs = 0;
  int quietWindowMs = 0;  // sleep + receive
};

BusSoakResult runBusSoak(const BusSoakOptions& options);

// Lateness (beyond the turnaround) at which a late reply's first byte comes exactly
// sleep + receive after its exchange gave up, with the default timings.
uint32_t lateInsideQuietWindowMs(int baud, uint32_t turnaroundMs);
