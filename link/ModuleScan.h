#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "link/LinkContext.h"
#include "link/SerialLine.h"

// One line setting in mem.ini's encodings: speed index 0..4 (9600..115200), parity 0 none,
// 1 even, 2 odd, stop bits 0 one, 1 two.
struct ScanSetting {
  int speed = 0;
  int parity = 0;
  int stopBits = 1;
  bool operator==(const ScanSetting&) const = default;
  int baud() const;
  LineSettings lineSettings() const;
  QString parityName() const;  // none, even, odd
  int stopBitCount() const { return stopBits ? 2 : 1; }
  QString text() const;  // "19200 baud, parity even, 2 stop bits"
};

// What answered at one address and line setting. A device that answered the firmware version
// read with an exception is some other kind of module: it is found, without a version.
struct FoundModule {
  uint8_t address = 0;
  ScanSetting setting;
  std::optional<uint16_t> firmware;
  uint16_t revision = 0;
  std::optional<uint16_t> logic;
};

// What to try: the addresses, and the speeds, parities and stop bits to combine.
struct ScanPlan {
  int firstAddress = 1, lastAddress = 247;
  std::vector<int> speeds{0, 1, 2, 3, 4};
  std::vector<int> parities{0, 1, 2};
  std::vector<int> stopBits{1, 0};
  int addressCount() const { return lastAddress - firstAddress + 1; }
};

// "Поиск модулей": tries each line setting of the plan and each address with one short read of
// the firmware version (the request's and the reply's line time at that speed plus 20 ms), and
// reads the revision and logic number of whatever answers. Nothing is ever written to a module.
// The settings in mem.ini are tried first, the module address of mem.ini first among them; a
// setting the port refuses is skipped and named. A serial device server's serial side is set
// in the box, so through one only the addresses are tried. Runs on the thread that owns the
// port (the worker, or tarvix-cli's), and leaves the port at the settings it was opened with.
class ModuleScan {
 public:
  struct Listener {
    // Before each setting: the tries done and in all, and about how long the rest takes.
    std::function<void(const ScanSetting&, int done, int total, uint32_t leftMs)> setting;
    // After each try.
    std::function<void(int done, int total, uint32_t leftMs)> progress;
    std::function<void(const FoundModule&)> found;
    // A setting skipped, and why (the port's own words).
    std::function<void(const ScanSetting&, const QString& why)> refused;
    // The settings are the device server's: only addresses are tried.
    std::function<void()> addressesOnly;
  };
  enum class Outcome { Finished, Stopped, PortFailed };

  explicit ModuleScan(const LinkContext& link) : link_(link) {}

  // `stopped` is asked before every try. PortFailed when the port is not open or went away.
  Outcome run(const ScanPlan& plan, const Listener& listener, const std::function<bool()>& stopped);

  // The plan's settings in the order tried: `current` first when the plan has it.
  static std::vector<ScanSetting> settingsInOrder(const ScanPlan& plan, const ScanSetting& current);
  // The wait of one try at a setting.
  static uint32_t tryWaitMs(const ScanSetting& setting);
  // The settings mem.ini holds now.
  static ScanSetting currentSetting(const SettingsStore& mem);
  static constexpr uint32_t kTryMarginMs = 20;

 private:
  // Reads the revision and logic number of the module that answered at `address`.
  FoundModule identify(uint8_t address, const ScanSetting& setting, uint32_t waitMs,
                       uint16_t firmware);

  LinkContext link_;
};
