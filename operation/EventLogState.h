#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// The event log page as core state: the table of fetched records ("Журнал"), the unread
// counter and the number to fetch as the page shows them, the keep-log switch as last read,
// and the texts the records are decoded with. The worker fills it; the window draws it when
// told (queued) and writes what the user types back here.
class EventLogState : public QObject {
  Q_OBJECT
 public:
  static constexpr int kColumns = 6;
  using Row = std::array<QString, kColumns>;
  static constexpr std::array<int, kColumns> kColumnWidths{50, 79, 76, 82, 312, 55};
  static constexpr int kInitialRows = 2;  // the header and one empty row
  static Row header();

  // [log_cmd] and [log_sw] of mem.ini, one text per line, read once at start-up.
  void loadTexts(const QStringList& commandTexts, const QStringList& switchTexts);
  QStringList commandTexts() const;
  QStringList switchTexts() const;

  // The table; row 0 is the header.
  int rowCount() const;
  Row row(int r) const;
  // Grows the table to hold row `r` and fills it.
  void setRow(int r, const Row& cells);
  // The header and one empty row.
  void resetTable();
  // The records in the table, as a file a spreadsheet opens: UTF-8 with a byte-order mark,
  // fields separated by ";", the header first. Rows left empty (damaged records) are skipped.
  QByteArray toCsv() const;

  QString counterText() const;  // StaticText1
  void setCounterText(const QString& text);
  QString readCountText() const;  // EditReadCount
  // By the worker: the page shows the new text.
  void setReadCountText(const QString& text);
  // By the window, as the user types: nothing is told back.
  void storeReadCountText(const QString& text);

  // Register 335 as last read: 0 off, non-zero on; -1 before any read.
  int keepLog() const { return keepLog_; }
  // Also when the value stays: a click the module refused must be undone on the page.
  void setKeepLog(int value);

  bool fetching() const { return fetching_; }
  void setFetching(bool on);

  // "Остановить": set by the window, read by the worker before each record.
  std::atomic_bool stopRequest{false};

  // The worker's own.
  uint32_t recordsRead = 0;    // records fetched (valid or damaged) since start or clear
  bool counterShown = false;   // the unread counter was read on the first showing
  uint16_t unreadCounter = 0;  // register 336 as last read

 signals:
  // Rows from `firstRow` on changed, or the row count did.
  void rowsChanged(int firstRow);
  void textsChanged();
  void keepLogChanged();
  void fetchingChanged(bool fetching);
  // One record fetched: its number (the row it takes) and whether it was damaged. For those
  // that print records as they come.
  void recordFetched(uint32_t number, bool damaged);

 private:
  mutable std::mutex mutex_;
  QStringList commandTexts_, switchTexts_;
  std::vector<Row> rows_ = std::vector<Row>(kInitialRows);
  QString counterText_;
  QString readCountText_;
  std::atomic_int keepLog_{-1};
  std::atomic_bool fetching_{false};
};
