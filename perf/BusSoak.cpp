#include "perf/BusSoak.h"

#include <QTemporaryDir>
#include <algorithm>
#include <bitset>
#include <cmath>
#include <memory>

#include "app/AppContext.h"
#include "core/Prompter.h"
#include "link/LinkSettings.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"

namespace {

class QuietPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString&, Icon) override {}
  bool confirm(const QString&, const QString&) override { return false; }
};

// The last read reply the client took, as the caller is about to store it.
class AcceptedReads : public ExchangeObserver {
 public:
  void registersRead(uint8_t, uint16_t first, const uint16_t*, int count) override {
    ++accepted;
    pending = true;
    this->first = first;
    this->count = count;
  }
  void registersWritten(uint8_t, uint16_t, const uint16_t*, int, bool, const QString&) override {}

  // The block the last accepted reply stands for, once.
  bool take(uint16_t* firstOut, int* countOut) {
    if (!pending) return false;
    pending = false;
    *firstOut = first;
    *countOut = count;
    return true;
  }

  int accepted = 0;

 private:
  bool pending = false;
  uint16_t first = 0;
  int count = 0;
};

// A value no nearby read of any register repeats.
uint16_t freshValue(uint32_t generation, uint16_t reg) {
  uint32_t h = generation * 0x9E3779B1u ^ (uint32_t(reg) + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return uint16_t(h);
}

constexpr uint16_t kControlFirst = 8;
constexpr int kControlCount = 4;

class Soak {
 public:
  explicit Soak(const BusSoakOptions& o) : options_(o) {
    {
      SettingsStore mem(dir_.filePath("mem.ini"));
      mem.writeString("connect", "port", "COM1");
      mem.flush();
    }
    auto line = std::make_unique<MemoryLine>(bus_, clock_);
    line_ = line.get();
    line_->setEmulatedBaud(o.baud);
    line_->setTurnaroundMs(o.turnaroundMs);
    core_ = std::make_unique<AppContext>(dir_.path(), prompter_, std::move(line), clock_);
    core_->client().setObserver(&accepted_);
    injectFaults();

    ParameterTables& tables = core_->params.tables;
    QObject::connect(
        &tables, &ParameterTables::structureChanged, &tables, [this] { markLive(); },
        Qt::DirectConnection);
    QObject::connect(
        &tables, &ParameterTables::valuesChanged, &tables, [this](int id) { checkTable(id); },
        Qt::DirectConnection);
    ControlState& control = core_->operation.control;
    QObject::connect(
        &control, &ControlState::changed, &control, [this] { checkControl(); },
        Qt::DirectConnection);
    QObject::connect(
        &core_->status, &StatusLine::textChanged, &core_->status,
        [this](int panel, const QString& text) {
          if (panel == StatusLine::Link && text != QStringLiteral("МОДУЛЬ НА СВЯЗИ"))
            ++result_.failuresShown[text];
        },
        Qt::DirectConnection);
    for (int i = 0; i < kControlCount; ++i) live_.set(kControlFirst + i);
    bus_.module().setReadHook([this](uint16_t first, uint16_t count) {
      ++generation_;
      for (uint32_t r = first; r < uint32_t(first) + count && r <= 0xFFFF; ++r)
        if (live_.test(r)) bus_.module().set(uint16_t(r), freshValue(generation_, uint16_t(r)));
    });
  }

  BusSoakResult run() {
    const ParameterState::Page pages[] = {ParameterState::Page::Firm, ParameterState::Page::Service,
                                          ParameterState::Page::LogTime,
                                          ParameterState::Page::Main};
    PollCycle& cycle = core_->cycle();
    for (int pass = 0; line_->requestCount() < options_.exchanges; ++pass) {
      core_->params.activePage = pages[pass % 4];
      // The table reads the window asks for, in turn.
      core_->requests.module[pass % 2 ? RequestFlags::ServiceRead : RequestFlags::MainRead] = true;
      cycle.pollPass();
      ++result_.passes;
      if (!core_->flags.moduleOnline) ++result_.offlinePasses;
    }
    result_.exchanges = line_->requestCount();
    result_.acceptedReplies = accepted_.accepted;
    for (int k = 0; k < kFaultKindCount; ++k)
      result_.injected[k] = bus_.faults().injected(FaultKind(k));
    const LinkSettings::Timing t = LinkSettings(core_->mem).timing();
    result_.quietWindowMs = int(t.sleep + t.receive);
    result_.latestArrivalAfterGiveUpMs =
        int(options_.turnaroundMs + options_.lateMaxMs + charMs(options_.baud)) -
        int(t.sleep + t.receive);
    return result_;
  }

  static uint32_t charMs(int baud) {
    return baud > 0 ? uint32_t((10'000'000 / baud + 999) / 1000) : 0;
  }

 private:
  void injectFaults() {
    FaultPlan& plan = bus_.faults();
    plan.setSeed(options_.seed);
    plan.setLateRangeMs(options_.lateMinMs, options_.lateMaxMs);
    // One rule per kind; together they hit faultShare of the replies.
    const double each = 1.0 - std::pow(1.0 - options_.faultShare, 1.0 / kFaultKindCount);
    for (int k = 0; k < kFaultKindCount; ++k) plan.failRandomly(FaultKind(k), each);
  }

  void markLive() {
    const ParameterTables& tables = core_->params.tables;
    for (int id = 0; id < ParameterTables::Count; ++id) {
      const ParameterTables::Table t = tables.table(ParameterTables::Id(id));
      for (int i = 0; i < t.count; ++i) live_.set(uint16_t(t.start + i));
    }
  }

  void wrong(const QString& what, uint16_t reg, uint16_t held, uint16_t shown) {
    ++result_.wrongValues;
    if (result_.examples.size() < 5)
      result_.examples << QStringLiteral("%1, register %2: shows %3, the module holds %4")
                              .arg(what)
                              .arg(reg)
                              .arg(shown)
                              .arg(held);
  }

  void checkTable(int id) {
    uint16_t first = 0;
    int count = 0;
    if (!accepted_.take(&first, &count)) return;  // a blanking, not a read
    const ParameterTables& tables = core_->params.tables;
    const ParameterTables::Table t = tables.table(ParameterTables::Id(id));
    for (int i = 0; i < count; ++i) {
      const int row = first + i - t.start;
      if (row < 0 || row >= t.count || row >= ParameterTables::kBufferSize) continue;
      const uint16_t reg = uint16_t(t.start + row);
      const uint16_t held = bus_.module().get(reg);
      ++result_.valuesChecked;
      const QString name =
          QString::fromLatin1(ParameterTables::objectName(ParameterTables::Id(id)));
      if (t.buffer[row] != held) {
        wrong(name, reg, held, t.buffer[row]);
        continue;
      }
      const uint16_t shown = id == ParameterTables::DigOutputs ? held & 1 : held;
      if (row < t.values.size() && t.values[row] != QString::number(shown))
        wrong(name + QStringLiteral(" (cell text)"), reg, held, t.values[row].toUShort());
    }
  }

  void checkControl() {
    uint16_t first = 0;
    int count = 0;
    if (!accepted_.take(&first, &count) || first != kControlFirst) return;  // a failed read
    const std::array<uint16_t, 4> block = core_->operation.control.block();
    // The registers the reply carried: a short reply answers for those alone.
    for (int i = 0; i < std::min(count, kControlCount); ++i) {
      const uint16_t reg = uint16_t(kControlFirst + i);
      ++result_.valuesChecked;
      if (block[size_t(i)] != bus_.module().get(reg))
        wrong(QStringLiteral("control block"), reg, bus_.module().get(reg), block[size_t(i)]);
    }
  }

  BusSoakOptions options_;
  QTemporaryDir dir_;
  VirtualClock clock_;
  SimBus bus_;
  QuietPrompter prompter_;
  MemoryLine* line_ = nullptr;
  std::unique_ptr<AppContext> core_;
  AcceptedReads accepted_;
  std::bitset<65536> live_;
  uint32_t generation_ = 0;
  BusSoakResult result_;
};

}  // namespace

BusSoakResult runBusSoak(const BusSoakOptions& options) { return Soak(options).run(); }

uint32_t lateInsideQuietWindowMs(int baud, uint32_t turnaroundMs) {
  // The first byte of a reply comes turnaround + lateness + one character after the request
  // left; the exchange gives up sleep + receive after that (70 + 50 ms by default), and the
  // next one waits for a quiet line as long again.
  constexpr uint32_t kSleepAndReceive = 70 + 50;
  return 2 * kSleepAndReceive - turnaroundMs - Soak::charMs(baud);
}
