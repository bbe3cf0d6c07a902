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

SlaveDevice* SimBus::device(uint8_t address) {
  // The module first: with a clash of addresses it is the one that answers.
  if (modulePlugged_ && module_.address() == address) return &module_;
  if (r16_.address() == address) return &r16_;
  if (d8r4_.address() == address) return &d8r4_;
  return nullptr;
}

SimBus::Reply SimBus::respond(const QByteArray& request) {
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
  const Reply reply = serve(address, pdu);
  if (bench_) bench_->update();
  return reply;
}

SimBus::Reply SimBus::serve(uint8_t address, const QByteArray& pdu) {
  if (address == 0) {
    const uint8_t function = uint8_t(pdu[0]);
    if (function == 6 || function == 16) {
      SlaveDevice* const all[] = {&module_, &r16_, &d8r4_};
      for (SlaveDevice* d : all)
        if (d != &module_ || modulePlugged_) d->handle(pdu);
    }
    return {};
  }
  SlaveDevice* target = device(address);
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
