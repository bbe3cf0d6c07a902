#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "sim/ModuleMotion.h"

class SettingsStore;
class SimBus;

// The test bench as its tp.ini describes it: which R16 bit drives which module input (one
// wiring per bench variant, sections "di_code"N), the R16 words that make the module switch
// each output (section do, codes), and the D8R4 relay of each supply and load.
struct BenchDescription {
  static constexpr int kInputs = 12;
  // Bit of the R16 word per module input 1..12, by bench variant; a bit outside 0..15 reaches
  // no input.
  std::map<int, std::array<int, kInputs>> inputBits;
  std::vector<int> outputCodes;  // code1.. of section do; -1 where no integer
  int bit220 = 0, bit24 = 1, overloadBit = 2, shortBit = 3;
  int r16Address = 16, d8r4Address = 17;

  static BenchDescription read(const SettingsStore& tp);
};

// The bench wired to the simulated module: R16's outputs drive the module's inputs 1 to 12, the
// module switches output r (registers 128 + r) while R16 carries that output's code, D8R4's
// input r follows module output r, and D8R4's relays connect the motor's supply, the overload
// brake and the short circuit. The console can break the unit under test (defects) so that
// each step of the production test can be seen to fail.
//
// While R16 and D8R4 are both all off the bench is idle and leaves the module as if it were
// installed: the console sets its inputs, the drive moves its own end positions on its own
// supply. The first word written to either bench module takes the wiring over again.
class SimBench {
 public:
  SimBench(SimBus& bus, BenchDescription description);

  // Brings the wiring to the present: call before and after every request the bus serves, and
  // after the console changed something.
  void update();

  struct Defects {
    std::array<bool, BenchDescription::kInputs> inputStuck{};  // never seen active
    std::array<bool, 3> outputDead{};                          // never switches
    bool current24VHigh = false;
    bool noTrip = false;
    bool noShortAlarm = false;
    bool any() const;
  };
  const Defects& defects() const { return defects_; }
  // The console's "defect ..." (the words after it); returns the reply line.
  QString defect(const QStringList& args);
  // One line for the console's status.
  QString describe() const;
  static QString defectHelp();

  const BenchDescription& description() const { return description_; }
  // The wiring variant the module's input map selects: map + 1 from firmware 200 on, else 0.
  int variant() const;

  // Current drawn at 24 V with the "current 24V high" defect, in per cent.
  static constexpr int kHighCurrentPercent = 130;

 private:
  SimBus& bus_;
  BenchDescription description_;
  Defects defects_;
  bool wired_ = true;  // the wiring stood in the inputs at the last update
};
