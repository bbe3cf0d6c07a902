#include "bench/BenchOutputs.h"

#include "core/SettingsStore.h"
#include "link/ModbusRtuClient.h"
#include "link/RequestFlags.h"

void serveBenchOutputs(const LinkContext& link, const SettingsStore& tp) {
  RequestFlags& r = link.requests;
  auto address = [&](const char* key, int def) {
    return uint8_t(tp.readInteger(QStringLiteral("connect"), QLatin1String(key), def));
  };
  if (r.r16Output.exchange(false))
    link.client.writeBenchOutputs(address("r16_addr", 16), r.r16OutputWord);
  if (r.d8r4Output.exchange(false))
    link.client.writeBenchOutputs(address("d8r4_addr", 17), r.d8r4OutputWord);
}
