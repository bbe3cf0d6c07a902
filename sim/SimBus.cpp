#include "sim/SimBus.h"

#include "link/ModbusCrc.h"

namespace {

uint16_t crcOf(const QByteArray& bytes, int length) {
  return modbusCrc(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(length));
}

}  // namespace

SimBus::SimBus() : r16_(BenchModule::kDefaultR16Address), d8r4_(BenchModule::kDefaultD8r4Address) {}

void SimBus::attachBench(const BenchDescription& description) {
  r16_.setAddress(uint8_t(description.r16Address));
  d8r4_.setAddress(uint8_t(description.d8r4Address));
  bench_ = std::make_unique<SimBench>(*this, description);
  bench_->update();
}

void SimBus::setClock(Clock& clock) {
  clock_ = &clock;
  module_.setClock(clock);
  for (auto& m : moreModules_) m->setClock(clock);
}

ModuleModel& SimBus::addModule(uint8_t address) {
  moreModules_.push_back(std::make_unique<ModuleModel>(address));
  if (clock_) moreModules_.back()->setClock(*clock_);
  return *moreModules_.back();
}

bool SimBus::hears(const SlaveDevice& d, const LineSettings* line) const {
  if (!line) return true;
  // The bench modules are set up to the module's line settings: the bench is one line.
  const bool bench = &d == &r16_ || &d == &d8r4_;
  return (bench ? static_cast<const SlaveDevice&>(module_) : d).hears(*line);
}

SlaveDevice* SimBus::device(uint8_t address, const LineSettings* line) {
  const auto at = [&](SlaveDevice& d) { return d.address() == address && hears(d, line); };
  // The module first: with a clash of addresses it is the one that answers.
  if (modulePlugged_ && at(module_)) return &module_;
  for (auto& m : moreModules_)
    if (at(*m)) return m.get();
  if (at(r16_)) return &r16_;
  if (at(d8r4_)) return &d8r4_;
  return nullptr;
}

SimBus::Reply SimBus::respond(const QByteArray& request, const LineSettings* line) {
  // Address, function, and the CRC at least.
  if (request.size() < 4) return {};
  const int body = int(request.size()) - 2;
  const uint16_t crc = uint16_t(uint8_t(request[body]) | uint8_t(request[body + 1]) << 8);
  if (crcOf(request, body) != crc) return {};

  const uint8_t address = uint8_t(request[0]);
  const QByteArray pdu = request.mid(1, body - 1);
  // What the bench wiring made of the last request and of the time since is in place first,
  // and what this one changes takes effect before its reply goes.
  if (bench_) bench_->update();
  const Reply reply = serve(address, pdu, line);
  if (bench_) bench_->update();
  return reply;
}

SimBus::Reply SimBus::serve(uint8_t address, const QByteArray& pdu, const LineSettings* line) {
  if (address == 0) {
    const uint8_t function = uint8_t(pdu[0]);
    if (function == 6 || function == 16) {
      std::vector<SlaveDevice*> all = {&module_, &r16_, &d8r4_};
      for (auto& m : moreModules_) all.push_back(m.get());
      for (SlaveDevice* d : all)
        if ((d != &module_ || modulePlugged_) && hears(*d, line)) d->handle(pdu);
    }
    return {};
  }
  SlaveDevice* target = device(address, line);
  if (!target) return {};

  QByteArray frame;
  frame.append(char(address));
  frame.append(target->handle(pdu));
  const uint16_t replyCrc = crcOf(frame, int(frame.size()));
  frame.append(char(replyCrc & 0xFF));
  frame.append(char(replyCrc >> 8));

  if (target != &module_ && !faults_.benchInScope()) return {frame, 0};
  FaultPlan::Outcome out = faults_.apply(frame);
  return {out.bytes, out.extraDelayMs};
}
