#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "params/ModuleRegisters.h"
#include "sim/ModuleLog.h"
#include "sim/ModuleMotion.h"
#include "sim/SlaveDevice.h"

class Clock;

// The motor-drive control module as a Modbus slave: its holding registers in one plain array,
// and the register map of the configured firmware version. Registers outside the map answer
// exception 2; registers the module only reports (inputs, errors, outputs, debug values,
// identification) refuse writes the same way. get() and set() reach every register, mapped or
// not, so tests and the tarvix-sim console can put the module into any state.
//
// Over the bus the module behaves as a real one: a new slave address written to register 0
// takes effect from the next request on (the reply to that write still comes from the old
// one); a motor voltage type written to 119 takes effect only when the same frame carries the
// right password in 118, and register 269 reports the outcome (1 accepted, 0 refused).
// Commands written to 8 to 10 move the drive (ModuleMotion) on the module's clock, which is
// the clock of whoever serves the bus: a test's virtual clock makes a motion pass without
// sleeping.
class ModuleModel : public SlaveDevice {
 public:
  // Protocol addresses of the registers with a role of their own: the program's own map.
  using enum modulemap::Register;

  static constexpr uint8_t kDefaultAddress = 100;
  static constexpr uint16_t kDefaultFirmware = 205;
  // The password the production test sends; a module fresh from the factory takes it.
  static constexpr uint16_t kDefaultMotorPassword = 5249;

  // Called after every write that came over the bus, with the block written.
  using WriteHook = std::function<void(uint16_t first, uint16_t count)>;
  // Called before every read over the bus is answered, with the block asked for.
  using ReadHook = std::function<void(uint16_t first, uint16_t count)>;

  explicit ModuleModel(uint8_t address = kDefaultAddress);

  // Puts every register back to its power-on value for the present configuration.
  void resetDefaults();

  uint16_t get(uint16_t reg) const { return regs_[reg]; }
  void set(uint16_t reg, uint16_t value) { regs_[reg] = value; }

  // The configuration lives in the registers themselves, so set() of 768 changes the map too.
  uint16_t firmwareVersion() const { return regs_[FirmwareVersion]; }
  uint16_t firmwareRevision() const { return regs_[FirmwareRevision]; }
  void setFirmware(uint16_t version, uint16_t revision = 0);
  // As if a module with this firmware were plugged in: its map and its power-on values
  // (address, logic number and input map stay, they belong to the installation).
  void installFirmware(uint16_t version, uint16_t revision = 0);
  void setLogicNumber(uint16_t logic) { regs_[LogicNumber] = logic; }
  void setInputMap(uint16_t map) { regs_[InputMap] = map; }
  // Also stores the address in register 0, where the module reports it.
  void setAddress(uint8_t address) override;
  // The line settings of registers 1 to 3, as the module applies them from its next request:
  // speed index 0..4 for 9600..115200 (any other value: a rate nobody sends at), parity 0 none,
  // 1 even, 2 odd, stop bits 0 one, else two.
  LineFormat lineFormat() const override;

  // The password a motor voltage change must carry in register 118. It belongs to the module,
  // not to its firmware: installing firmware keeps it.
  uint16_t motorPassword() const { return motorPassword_; }
  void setMotorPassword(uint16_t password) { motorPassword_ = password; }

  uint32_t clockSeconds() const { return uint32_t(regs_[ClockHigh]) << 16 | regs_[ClockLow]; }
  void setClockSeconds(uint32_t seconds);

  // The event log. Motion and console report their events here: a record stamped with the
  // module's time, while register 335 keeps logging on.
  ModuleLog& log() { return log_; }
  void logEvent(uint8_t kind, uint8_t code, uint8_t extra = 0) {
    log_.logEvent(*this, kind, code, extra);
  }
  // A record when the end-position inputs changed since they were last logged.
  void logEndPositions() { log_.logEndPositions(*this); }
  // The drive's motion runs on this clock; the steady clock by default. The module's own
  // clock (registers 4-5) ticks on the clock given to log().setClock() and stands still
  // without one, so a test can read a time it set.
  void setClock(Clock& clock) { clock_ = &clock; }
  Clock& clock() const { return *clock_; }
  // Brings time-driven registers to the clock's present. Reads and writes over the bus do it
  // themselves; the console calls it before it looks or changes anything.
  void update();
  ModuleMotion& motion() { return motion_; }
  const ModuleMotion& motion() const { return motion_; }

  void setWriteHook(WriteHook hook) { writeHook_ = std::move(hook); }
  void setReadHook(ReadHook hook) { readHook_ = std::move(hook); }

  // The overload protection as the parameters set it: the last of the protection currents
  // (motor table) and of the protection times (timer table), three of each from firmware 200
  // on and four before.
  uint16_t protectionThresholdMa() const;
  uint16_t protectionTripMs() const;

  // The register map of the configured firmware version.
  bool isMapped(uint16_t reg) const;
  bool isReadOnly(uint16_t reg) const;

 protected:
  bool isReadable(uint16_t reg) const override { return isMapped(reg); }
  bool isWritable(uint16_t reg) const override { return isMapped(reg) && !isReadOnly(reg); }
  bool acceptsValue(uint16_t reg, uint16_t value) const override;
  uint16_t readRegister(uint16_t reg) const override { return regs_[reg]; }
  void storeRegister(uint16_t reg, uint16_t value) override;
  void beforeRead(uint16_t first, uint16_t count) override;
  void afterWrite(uint16_t first, uint16_t count) override;

 private:
  bool isParameterMapped(uint16_t reg) const;
  void judgeMotorVoltageChange();

  std::vector<uint16_t> regs_;  // all 65536 protocol addresses
  uint16_t motorPassword_ = kDefaultMotorPassword;
  // What a frame wrote to 118 and 119, held until the frame is complete: the password is
  // judged, never stored where a read could show it.
  std::optional<uint16_t> framePassword_;
  std::optional<uint16_t> frameVoltageType_;
  WriteHook writeHook_;
  ReadHook readHook_;
  ModuleLog log_;
  Clock* clock_;
  ModuleMotion motion_;
};
