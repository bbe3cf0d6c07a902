#include "bench/BenchOutputs.h"

#include "bench/BenchKeys.h"
#include "bench/BenchRegisters.h"
#include "core/SettingsStore.h"
#include "link/ModbusRtuClient.h"
#include "link/RequestFlags.h"

bool writeBenchOutputs(ModbusRtuClient& client, uint8_t slave, uint16_t word) {
  WriteExchange x;
  return client.writeRegisterAtRetry(x, slave, benchmap::Outputs, word);
}

void serveBenchOutputs(const LinkContext& link, const SettingsStore& tp) {
  RequestFlags& r = link.requests;
  if (r.r16Output.exchange(false))
    writeBenchOutputs(link.client, uint8_t(tp.readInteger(benchkeys::kR16Address)),
                      r.r16OutputWord);
  if (r.d8r4Output.exchange(false))
    writeBenchOutputs(link.client, uint8_t(tp.readInteger(benchkeys::kD8r4Address)),
                      r.d8r4OutputWord);
}
