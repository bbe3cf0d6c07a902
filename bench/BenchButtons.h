#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>

class SettingsStore;

// The states of one bench tool bar's check buttons: twelve module inputs ("i1" .. "i12") and
// four D8R4 relays. The window sets them on a click; the worker changes those of the test tab
// (resetBench, selectBenchVoltage) and the window follows, told queued.
class BenchButtons : public QObject {
  Q_OBJECT
 public:
  static constexpr int kInputs = 12;
  static constexpr int kRelays = 4;

  // Bit K - 1 for input button K.
  uint16_t inputs() const { return inputs_; }
  // Bit k for relay button k + 1, which stands for D8R4 relay k.
  uint8_t relays() const { return relays_; }

  // A click of the user: the window already shows it.
  void setFromClick(uint16_t inputs, uint8_t relays);
  // A change made by the worker: the window is told.
  void set(uint16_t inputs, uint8_t relays);

  // The R16 word of the pressed input buttons: bit i<K> of section "di_code"<variant> for
  // each button K that is down (default bit 0; a bit outside 0..15 reaches no output).
  static uint16_t r16Word(uint16_t inputs, const SettingsStore& tp, int variant);
  // The D8R4 word of the pressed relay buttons.
  static uint16_t d8r4Word(uint8_t relays) { return relays & 0x0F; }
  // 1 << bit within a 16-bit word; 0 for a bit outside it.
  static uint16_t bitWord(int bit) { return bit >= 0 && bit < 16 ? uint16_t(1u << bit) : 0; }

 signals:
  void changed();

 private:
  std::atomic<uint16_t> inputs_{0};
  std::atomic<uint8_t> relays_{0};
};
