#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <mutex>

struct LinkContext;

// The module's own link settings, holding registers 0 to 3: slave address, baud rate index,
// parity and (from firmware 202) stop bits. The window fills its dialog from the registers
// the worker last read, and the worker writes what the user confirmed after the dialog has
// closed, so both live here as core state.
class ModuleLinkParams {
 public:
  // What the user confirmed in the dialog: the address as typed, the item indexes as chosen.
  struct Entry {
    QString address;
    int speed = 0;
    int parity = 0;
    int stopBits = 0;
  };

  static constexpr int kStopBitsFirmware = 202;
  static constexpr int kMaxRegisters = 4;
  // 4 registers from firmware 202 on (stop bits), 3 before.
  static int registerCount(int firmwareVersion) {
    return firmwareVersion >= kStopBitsFirmware ? 4 : 3;
  }

  // Registers of the last successful read; zero before any.
  std::array<uint16_t, kMaxRegisters> registersRead() const;
  void storeRead(const uint16_t* values, int count);

  Entry entry() const;
  void setEntry(const Entry& entry);

 private:
  mutable std::mutex mutex_;
  std::array<uint16_t, kMaxRegisters> read_{};
  Entry entry_;
};

// Worker, inside a pass whose status read succeeded. Reads registers 0 to 2 (0 to 3 from
// firmware 202) into the core's link parameters; a failure goes to the status line.
bool readModuleLinkParams(const LinkContext& link, ModuleLinkParams& params);
// Writes the confirmed entry to the module at its present address, then stores it in
// mem.ini, with the progress panel. A failed write stores nothing.
bool writeModuleLinkParams(const LinkContext& link, ModuleLinkParams& params);
