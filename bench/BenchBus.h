#pragma once

#include <cstdint>

#include "bench/BenchContext.h"

// The bench's traffic as the tests make it, with what they judge by: the two bench modules at
// the addresses of tp.ini (read anew at every access), single module registers, the waits and
// the stop flag.
class BenchBus {
 public:
  explicit BenchBus(const BenchContext& ctx) : ctx_(ctx) {}

  uint8_t r16Address() const;
  uint8_t d8r4Address() const;
  // The output word of R16 or D8R4 (function 16, up to five attempts).
  bool writeR16(uint16_t word) const;
  bool writeD8r4(uint16_t word) const;
  // readBenchInputs: the input word of D8R4, up to five attempts.
  bool readBenchInputs(uint16_t* word) const;
  // One module register, up to five attempts.
  bool readModule(uint16_t reg, uint16_t* value) const;

  // A fixed wait of the test. It ends early only when the program closes.
  void wait(uint32_t ms) const;
  // A wait of a length the user typed: "Стоп" ends it too, so a slip of a few digits cannot
  // hold the bench for days.
  void waitUnlessStopped(uint32_t ms) const;
  // "Стоп" was pressed (or the program closes): the test is to end at its next look.
  bool stopped() const;

  int firmwareVersion() const;
  // benchVariant: 0, or the input map + 1 when it was read (firmware 200 and above).
  int variant() const;
  // Register 131 (AlarmRelayLogic) as the main tables read last left it.
  uint16_t alarmRelayLogic() const;
  // The alarm flag (register 130) counts when it differs from its rest level: 0 with the
  // relay logic non-zero, 1 with it zero.
  bool isAlarm(uint16_t flag) const;
  // The motor current register of the module's firmware (modulemap::motorCurrent).
  uint16_t currentRegister() const;

 private:
  const BenchContext& ctx_;
};
