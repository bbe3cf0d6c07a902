#pragma once

#include <cstdint>
#include <functional>

#include "bench/BenchRegisters.h"
#include "sim/SlaveDevice.h"

// A bench I/O module (R16 or D8R4): register 50 is its output word (bit n = output n), register
// 51 its input word (bit k = input k). The inputs are wired, not written: over the bus register
// 51 is read-only, setInputs() is how the wiring (or a test) drives them.
class BenchModule : public SlaveDevice {
 public:
  using enum benchmap::Register;

  static constexpr uint8_t kDefaultR16Address = 16;
  static constexpr uint8_t kDefaultD8r4Address = 17;

  // Called after every write that came over the bus, with the block written.
  using WriteHook = std::function<void(uint16_t first, uint16_t count)>;

  explicit BenchModule(uint8_t address) : SlaveDevice(address) {}

  uint16_t outputs() const { return outputs_; }
  void setOutputs(uint16_t word) { outputs_ = word; }
  uint16_t inputs() const { return inputs_; }
  void setInputs(uint16_t word) { inputs_ = word; }

  void setWriteHook(WriteHook hook) { writeHook_ = std::move(hook); }

 protected:
  bool isReadable(uint16_t reg) const override { return reg == Outputs || reg == Inputs; }
  bool isWritable(uint16_t reg) const override { return reg == Outputs; }
  uint16_t readRegister(uint16_t reg) const override;
  void storeRegister(uint16_t reg, uint16_t value) override;
  void afterWrite(uint16_t first, uint16_t count) override;

 private:
  uint16_t outputs_ = 0;
  uint16_t inputs_ = 0;
  WriteHook writeHook_;
};
