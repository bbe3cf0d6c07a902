#pragma once

#include <QAbstractTableModel>
#include <QMap>
#include <QSet>
#include <array>
#include <deque>
#include <optional>

#include "link/BusFrame.h"

class FrameRecorder;

// The traffic monitor without its window: the last kMaxFrames frames of the bus, counters since
// the last reset, pause, a filter by address and by failures, and saving what is shown to a
// text file. Lives on the window's thread; frames arrive from a FrameRecorder in batches. It
// records from the start of the program, so a monitor opened after a fault still shows the
// exchanges that led to it.
class BusMonitor : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Time, Direction, Address, Function, First, Count, Values, Bytes, Result, Attempt };
  static constexpr int kColumnCount = Attempt + 1;
  static constexpr size_t kMaxFrames = 20000;
  // How long frames gather after the first of a batch before the window's thread takes them.
  static constexpr int kHandOverMs = 250;
  // True for the rows of a failed exchange.
  static constexpr int FailedRole = Qt::UserRole + 1;

  struct Counters {
    uint64_t requests = 0;
    uint64_t successes = 0;
    std::array<uint64_t, kExchangeOutcomeCount> failures{};  // by ExchangeOutcome
    uint64_t retries = 0;
    uint64_t totalMs = 0;  // of every exchange, failed ones included
    uint32_t worstMs = 0;
    uint64_t lost = 0;  // frames the window's thread was too late to take
    double meanMs() const { return requests ? double(totalMs) / double(requests) : 0.0; }
  };

  explicit BusMonitor(QObject* parent = nullptr);

  // Takes the recorder's batches as they are announced.
  void attach(FrameRecorder& recorder);
  // Counts the frames and, unless paused, keeps them.
  void append(std::deque<BusFrame> frames, uint64_t lost = 0);

  const Counters& counters() const { return counters_; }
  // The counters for the window and the saved file, their three groups apart by `separator`.
  QString countersText(const QString& separator = QStringLiteral("; ")) const;

  // Frames kept, filter or not.
  size_t frameCount() const { return frames_.size(); }
  // A shown row's frame.
  const BusFrame& frameAt(int row) const;

  void clear();  // the frames and the counters
  void setPaused(bool paused);
  bool paused() const { return paused_; }
  // While paused the table stands still; frames that came meanwhile are counted, not kept.
  uint64_t skippedWhilePaused() const { return skipped_; }

  void setAddressFilter(std::optional<uint8_t> address);
  void setFailuresOnly(bool on);
  // Names shown beside addresses ("16 R16"), so the bench modules' rows stand apart.
  void setAddressNames(const QMap<uint8_t, QString>& names);
  QString addressText(uint8_t address) const;
  // Request addresses seen since the last clear, in order.
  QList<uint8_t> addresses() const;

  // The shown rows, one line each as tarvix-cli --trace prints them, after a header and the
  // counters; atomic. False with the reason in `error`.
  bool save(const QString& path, QString* error) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 signals:
  void countersChanged();
  void addressesChanged();

 private:
  bool accepts(const BusFrame& frame) const;
  void rebuildShown();
  void count(const BusFrame& frame);

  FrameRecorder* recorder_ = nullptr;
  bool takeScheduled_ = false;
  // frames_[i] has the sequence number firstSeq_ + i; shown_ holds those that pass the filter.
  std::deque<BusFrame> frames_;
  uint64_t firstSeq_ = 0;
  std::deque<uint64_t> shown_;
  Counters counters_;
  bool paused_ = false;
  uint64_t skipped_ = 0;
  std::optional<uint8_t> addressFilter_;
  bool failuresOnly_ = false;
  QMap<uint8_t, QString> names_;
  QSet<uint8_t> seen_;
};
