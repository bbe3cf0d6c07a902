#pragma once

#include <QString>
#include <cstdint>

// Where the parameter blocks of one firmware version lie, and which name sections name them.
struct FirmwareLayout {
  QString timersSection;
  uint16_t timersStart = 0, timersCount = 0;
  QString motorSection;
  uint16_t motorStart = 0, motorCount = 0;
  QString serviceInputsSection;
  uint16_t serviceInputsCount = 0;  // the block always starts at 77
  QString debugSection;
  QString inputsSection;  // the inputs block is always 68, 9
  QString ampsSection;
  uint16_t ampsStart = 0, ampsCount = 0;

  static constexpr uint16_t kServiceInputsStart = 77;
  static constexpr uint16_t kInputsStart = 68;
  static constexpr uint16_t kInputsCount = 9;

  // The layout for a supported version. Version 103 and the versions without a row of their
  // own leave the amps block as `previous` had it.
  // The firmware versions a program that accepts up to `maxVersion` works with, for the user
  // to read: those with a register layout of their own, then the rest up to the limit.
  static QString supportedVersionsText(int maxVersion);
  static FirmwareLayout forVersion(int version, const FirmwareLayout& previous);
};

// Parts of the module that exist only from some firmware versions on.
namespace firmware {
inline bool hasAutoReset(int v) { return v == 104 || v >= 203; }
inline bool hasOutputLogic(int v) { return v >= 103; }
inline bool hasMotorVoltage(int v) { return v >= 200; }
inline bool hasInputInversion(int v, int revision) {
  return v >= 205 || (v == 204 && revision > 12);
}
// Row of the service-inputs table that holds the inversion mask.
inline int inversionMaskRow(int v) { return v >= 209 ? 0 : 7; }
}  // namespace firmware
