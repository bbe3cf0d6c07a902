#include "bench/BenchButtons.h"

#include "core/SettingsStore.h"

void BenchButtons::setFromClick(uint16_t inputs, uint8_t relays) {
  inputs_ = inputs;
  relays_ = relays;
}

void BenchButtons::set(uint16_t inputs, uint8_t relays) {
  setFromClick(inputs, relays);
  emit changed();
}

uint16_t BenchButtons::r16Word(uint16_t inputs, const SettingsStore& tp, int variant) {
  const QString section = QStringLiteral("di_code%1").arg(variant);
  uint16_t word = 0;
  for (int k = 1; k <= kInputs; ++k)
    if (inputs & (1u << (k - 1)))
      word |= bitWord(tp.readInteger(section, QStringLiteral("i%1").arg(k), 0));
  return word;
}
