#include "perf/ReplyFuzz.h"

#include <QTemporaryDir>
#include <memory>
#include <random>
#include <vector>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/ModbusCrc.h"
#include "link/ModbusRtuClient.h"
#include "link/RtuFrame.h"
#include "link/SerialPortLink.h"

namespace {

// Answers every request at once with the bytes set for it; what a read leaves stays on the
// line until discarded or drained, as on a real port.
class FuzzLine : public TimedSerialLine {
 public:
  using TimedSerialLine::TimedSerialLine;
  QByteArray nextReply;

  bool open(const QString&) override { return open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  bool applyLineSettings(const LineSettings&) override { return true; }
  bool isAlive() override { return open_; }
  void discardInput() override { arrived_.clear(); }
  IoResult write(const uint8_t*, int, uint32_t) override {
    arrived_ += nextReply;
    nextReply.clear();
    return IoResult::Completed;
  }
  QString errorString() const override { return QString(); }

 protected:
  int takeAvailable(uint8_t* buffer, int maxBytes) override {
    const int n = std::min<int>(maxBytes, int(arrived_.size()));
    std::copy_n(arrived_.constData(), n, buffer);
    arrived_.remove(0, n);
    return n;
  }
  Wait waitReadable(uint32_t ms) override {
    if (!arrived_.isEmpty()) return Wait::Readable;
    clock_.sleep(ms);
    return Wait::TimedOut;
  }

 private:
  bool open_ = false;
  QByteArray arrived_;
};

enum class Function { Read = 3, WriteMultiple = 16, WriteSingle = 6 };

struct Request {
  Function function;
  uint8_t slave;
  uint16_t first;
  uint16_t count;  // registers; 1 for function 6
  std::vector<uint16_t> values;
  std::vector<uint8_t> bytes;  // as encoded
};

constexpr uint16_t kSentinel = 0xA5C3;
constexpr uint8_t kCountSentinel = 77;

uint16_t word(const uint8_t* at) { return uint16_t(at[0] << 8 | at[1]); }

bool crcAt(const uint8_t* frame, int length) {
  const uint16_t crc = modbusCrc(frame, size_t(length));
  return frame[length] == uint8_t(crc) && frame[length + 1] == uint8_t(crc >> 8);
}

class Fuzzer {
 public:
  explicit Fuzzer(uint32_t seed)
      : random_(seed),
        mem_(dir_.filePath("mem.ini")),
        line_(clock_),
        port_(line_, mem_, status_),
        client_(port_, mem_, clock_) {
    port_.openPort(QStringLiteral("fuzz"));
  }

  ReplyFuzzResult run(int cases) {
    for (int i = 0; i < cases; ++i) {
      const Request request = makeRequest(Function(kFunctions[i % 3]));
      const int shape = (i / 3) % ReplyFuzzResult::ShapeCount;
      const QByteArray reply = makeReply(request, shape);
      ++result_.cases;
      ++result_.casesOf[shape];
      const bool decoded = checkDecoder(request, reply);
      const bool accepted = checkClient(request, reply);
      if (accepted) ++result_.acceptedOf[shape];
      if (decoded != accepted) fault(request, reply, "the decoder and the client disagree");
      if (shape == ReplyFuzzResult::Valid && !accepted)
        fault(request, reply, "a good reply refused");
    }
    return result_;
  }

 private:
  static constexpr int kFunctions[] = {3, 16, 6};

  uint32_t next(uint32_t below) { return uint32_t(random_() % below); }
  uint8_t byte() { return uint8_t(random_()); }

  Request makeRequest(Function f) {
    Request r{f, uint8_t(1 + next(247)), uint16_t(random_()), 1, {}, {}};
    if (f == Function::Read) r.count = uint16_t(1 + next(rtu::kMaxReadCount));
    if (f == Function::WriteMultiple) r.count = uint16_t(1 + next(rtu::kMaxWriteCount));
    for (int i = 0; i < (f == Function::Read ? 0 : r.count); ++i)
      r.values.push_back(uint16_t(random_()));
    uint8_t frame[rtu::kMaxFrame];
    int length = 0;
    switch (f) {
      case Function::Read:
        length = rtu::encodeRead(frame, r.slave, r.first, r.count);
        break;
      case Function::WriteMultiple:
        length = rtu::encodeWriteMultiple(frame, r.slave, r.first, r.count, r.values.data());
        break;
      case Function::WriteSingle:
        length = rtu::encodeWriteSingle(frame, r.slave, r.first, r.values[0]);
        break;
    }
    r.bytes.assign(frame, frame + length);
    return r;
  }

  static QByteArray withCrc(QByteArray frame) {
    const uint16_t crc =
        modbusCrc(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
  }

  QByteArray validReply(const Request& r) {
    if (r.function == Function::WriteSingle)
      return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), int(r.bytes.size()));
    QByteArray frame;
    frame.append(char(r.slave));
    frame.append(char(r.function));
    if (r.function == Function::Read) {
      frame.append(char(2 * r.count));
      for (int i = 0; i < 2 * r.count; ++i) frame.append(char(byte()));
    } else {
      frame.append(reinterpret_cast<const char*>(r.bytes.data()) + 2, 4);
    }
    return withCrc(frame);
  }

  QByteArray makeReply(const Request& r, int shape) {
    QByteArray reply = validReply(r);
    switch (shape) {
      case ReplyFuzzResult::Random: {
        // Every length in turn; half of them start as an answer would, to get past the
        // first checks.
        const int length = randomLengths_++ % 301;
        QByteArray bytes(length, '\0');
        for (char& c : bytes) c = char(byte());
        if (length >= 3 && next(2)) {
          bytes[0] = char(r.slave);
          bytes[1] = char(r.function);
          if (r.function == Function::Read) bytes[2] = char(2 * r.count);
        }
        return bytes;
      }
      case ReplyFuzzResult::BitFlip: {
        const uint32_t bit = next(uint32_t(reply.size()) * 8);
        reply[int(bit / 8)] = char(uint8_t(reply[int(bit / 8)]) ^ uint8_t(1u << (bit % 8)));
        return reply;
      }
      case ReplyFuzzResult::Truncated:
        return reply.left(int(next(uint32_t(reply.size()))));
      case ReplyFuzzResult::Extended:
        for (uint32_t n = 1 + next(40); n > 0; --n) reply.append(char(byte()));
        return reply;
      default:
        return reply;
    }
  }

  // A well-formed answer to the request heads the reply.
  static bool answers(const Request& r, const QByteArray& reply) {
    const auto* b = reinterpret_cast<const uint8_t*>(reply.constData());
    if (r.function == Function::Read) {
      const int n = 2 * r.count;
      return reply.size() >= n + 5 && b[0] == r.slave && b[1] == 3 && b[2] == n && crcAt(b, n + 3);
    }
    return reply.size() >= 8 && b[0] == r.slave && b[1] == uint8_t(r.function) &&
           std::equal(b + 2, b + 6, r.bytes.begin() + 2) && crcAt(b, 6);
  }

  // The decoders on buffers of exactly the bytes they are given.
  bool checkDecoder(const Request& r, const QByteArray& reply) {
    const auto bytes = std::make_unique<uint8_t[]>(size_t(reply.size()));
    std::copy_n(reply.constData(), reply.size(), bytes.get());
    if (r.function == Function::Read) {
      const auto registers = std::make_unique<uint16_t[]>(r.count);
      std::fill_n(registers.get(), r.count, kSentinel);
      const rtu::ReadReply d =
          rtu::decodeReadReply(bytes.get(), int(reply.size()), r.slave, r.count, registers.get());
      if (d.verdict != rtu::Verdict::Ok) return false;
      if (!answers(r, reply) || d.count != r.count) fault(r, reply, "decoder took a non-answer");
      for (int i = 0; i < d.count; ++i)
        if (registers[size_t(i)] != word(bytes.get() + 3 + 2 * i))
          return fault(r, reply, "decoder misread a register"), true;
      return true;
    }
    const auto request = std::make_unique<uint8_t[]>(r.bytes.size());
    std::copy(r.bytes.begin(), r.bytes.end(), request.get());
    const rtu::WriteReply d = rtu::decodeWriteReply(bytes.get(), int(reply.size()), request.get());
    if (d.verdict != rtu::Verdict::Ok) return false;
    if (!answers(r, reply)) fault(r, reply, "decoder took a non-answer");
    return true;
  }

  bool checkClient(const Request& r, const QByteArray& reply) {
    line_.nextReply = reply;
    if (r.function == Function::Read) {
      auto x = std::make_unique<ReadExchange>();
      x->slaveAddress = r.slave;
      x->firstRegister = r.first;
      x->registerCount = r.count;
      x->registers.fill(kSentinel);
      x->decodedCount = kCountSentinel;
      const bool ok = client_.readRegisters(*x);
      const int kept = ok ? r.count : 0;
      for (int i = 0; i < int(x->registers.size()); ++i) {
        const uint16_t expected =
            i < kept ? word(reinterpret_cast<const uint8_t*>(reply.constData()) + 3 + 2 * i)
                     : kSentinel;
        if (x->registers[size_t(i)] != expected) {
          fault(r, reply,
                ok ? "a register of the reply misread or one beyond it changed"
                   : "a refused reply changed a register");
          break;
        }
      }
      if (ok && (!answers(r, reply) || x->decodedCount != r.count))
        fault(r, reply, "the client took a non-answer");
      if (!ok && (x->decodedCount != kCountSentinel || x->error.isEmpty()))
        fault(r, reply, "a refused reply without its text, or with a count");
      return ok;
    }
    auto x = std::make_unique<WriteExchange>();
    x->slaveAddress = r.slave;
    x->firstRegister = r.first;
    x->registerCount = r.count;
    std::copy(r.values.begin(), r.values.end(), x->values.begin());
    const bool ok = r.function == Function::WriteSingle ? client_.writeRegister(*x)
                                                        : client_.writeRegisters(*x);
    if (ok && !answers(r, reply)) fault(r, reply, "the client took a non-answer");
    if (!ok && x->error.isEmpty()) fault(r, reply, "a refused reply without its text");
    return ok;
  }

  void fault(const Request& r, const QByteArray& reply, const char* what) {
    ++result_.wrongAccepts;
    if (result_.examples.size() < 5)
      result_.examples << QStringLiteral("%1: function %2, %3 registers, reply %4")
                              .arg(QLatin1String(what))
                              .arg(int(r.function))
                              .arg(r.count)
                              .arg(QString::fromLatin1(reply.toHex(' ')));
  }

  std::mt19937 random_;
  int randomLengths_ = 0;
  QTemporaryDir dir_;
  SettingsStore mem_;
  VirtualClock clock_;
  StatusLine status_;
  FuzzLine line_;
  SerialPortLink port_;
  ModbusRtuClient client_;
  ReplyFuzzResult result_;
};

}  // namespace

const char* ReplyFuzzResult::shapeName(int shape) {
  static const char* const kNames[ShapeCount] = {"random", "bit flip", "truncated", "extended",
                                                 "valid"};
  return shape >= 0 && shape < ShapeCount ? kNames[shape] : "?";
}

ReplyFuzzResult runReplyFuzz(int cases, uint32_t seed) { return Fuzzer(seed).run(cases); }
