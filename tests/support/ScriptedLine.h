#pragma once

#include <QByteArray>
#include <deque>
#include <vector>

#include "link/SerialLine.h"

// A line that answers each request with the next scripted reply, after a chosen delay, and
// records what was sent. Replies that are still on their way when a read gives up arrive
// later, as on a real line.
class ScriptedLine : public TimedSerialLine {
 public:
  explicit ScriptedLine(Clock& clock) : TimedSerialLine(clock) {}

  struct Reply {
    QByteArray bytes;
    uint32_t delayMs = 1;
    QByteArray rest;  // arrives gapMs after bytes
    uint32_t gapMs = 0;
  };
  void script(QByteArray bytes, uint32_t delayMs = 1) {
    replies_.push_back({bytes, delayMs, {}, 0});
  }
  void silence() { replies_.push_back({QByteArray(), 0, {}, 0}); }
  // A reply in two pieces: `rest` arrives `gapMs` after `first`.
  void scriptSplit(QByteArray first, uint32_t delayMs, QByteArray rest, uint32_t gapMs) {
    replies_.push_back({first, delayMs, rest, gapMs});
  }
  // Bytes that arrive `delayMs` from now whatever is sent: a reply to somebody else.
  void arriveLater(QByteArray bytes, uint32_t delayMs) {
    pending_.push_back({clock_.tick() + delayMs, bytes});
  }

  enum class WriteMode { Normal, NeverFinishes, CannotStart };
  WriteMode writeMode = WriteMode::Normal;
  bool failOpen = false;
  bool alive = true;
  bool rejectSettings = false;

  std::vector<QByteArray> requests;
  std::vector<uint64_t> requestTimes;  // when each request was written, in microseconds
  int openCount = 0;

  bool open(const QString&) override {
    if (failOpen) return false;
    ++openCount;
    return open_ = true;
  }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  bool applyLineSettings(const LineSettings& s) override {
    if (rejectSettings) return false;
    settings = s;
    return true;
  }
  bool isAlive() override { return open_ && alive; }
  void discardInput() override {
    const uint32_t now = clock_.tick();
    std::erase_if(pending_, [&](const Arrival& a) { return int32_t(a.at - now) <= 0; });
  }
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override {
    if (writeMode == WriteMode::CannotStart) return IoResult::Failed;
    if (writeMode == WriteMode::NeverFinishes) {
      clock_.sleep(waitMs);
      return IoResult::Pending;
    }
    requests.emplace_back(reinterpret_cast<const char*>(data), size);
    requestTimes.push_back(clock_.tickMicros());
    if (!replies_.empty()) {
      const Reply r = replies_.front();
      replies_.pop_front();
      if (!r.bytes.isEmpty()) pending_.push_back({clock_.tick() + r.delayMs, r.bytes});
      if (!r.rest.isEmpty()) pending_.push_back({clock_.tick() + r.delayMs + r.gapMs, r.rest});
    }
    return IoResult::Completed;
  }
  QString errorString() const override { return QStringLiteral("scripted failure"); }

  LineSettings settings;

 protected:
  int takeAvailable(uint8_t* buffer, int maxBytes) override {
    const uint32_t now = clock_.tick();
    int n = 0;
    while (!pending_.empty() && int32_t(pending_.front().at - now) <= 0) {
      QByteArray& bytes = pending_.front().bytes;
      const int take = std::min<int>(maxBytes - n, bytes.size());
      std::copy_n(bytes.constData(), take, buffer + n);
      n += take;
      bytes.remove(0, take);
      if (!bytes.isEmpty()) break;
      pending_.pop_front();
    }
    return n;
  }
  Wait waitReadable(uint32_t ms) override {
    const uint32_t now = clock_.tick();
    if (!pending_.empty()) {
      const int32_t until = int32_t(pending_.front().at - now);
      if (until <= 0) return Wait::Readable;
      if (uint32_t(until) <= ms) {
        clock_.sleep(uint32_t(until));
        return Wait::Readable;
      }
    }
    clock_.sleep(ms);
    return Wait::TimedOut;
  }

 private:
  struct Arrival {
    uint32_t at;
    QByteArray bytes;
  };
  bool open_ = false;
  std::deque<Reply> replies_;
  std::deque<Arrival> pending_;
};

// Message boxes recorded instead of shown.
#include "core/Prompter.h"
class RecordingPrompter : public Prompter {
 public:
  struct Box {
    QString caption, text;
    bool held = true;  // the caller waited until it was acknowledged
  };
  std::vector<Box> boxes;
  bool answer = true;
  void showMessage(const QString& caption, const QString& text, Icon) override {
    boxes.push_back({caption, text});
  }
  void notify(const QString& caption, const QString& text, Icon) override {
    boxes.push_back({caption, text, false});
  }
  bool confirm(const QString& caption, const QString& text) override {
    boxes.push_back({caption, text});
    return answer;
  }
};
