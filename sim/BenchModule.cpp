#include "sim/BenchModule.h"

uint16_t BenchModule::readRegister(uint16_t reg) const {
  return reg == Outputs ? outputs_ : inputs_;
}

void BenchModule::storeRegister(uint16_t reg, uint16_t value) {
  if (reg == Outputs) outputs_ = value;
}

void BenchModule::afterWrite(uint16_t first, uint16_t count) {
  if (writeHook_) writeHook_(first, count);
}
