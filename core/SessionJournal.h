#pragma once

#include <QString>
#include <mutex>

class Clock;

// tarvix.log: one line per event, stamped to the millisecond, so an engineer can see when and
// why an intermittent link dropped. Each line is written and flushed on its own, so a crash
// loses at most the line being written; past the size limit the file moves to tarvix.log.1.
class SessionJournal {
 public:
  explicit SessionJournal(QString path, qint64 maxBytes = 4 * 1024 * 1024);
  void append(const QString& text);
  // Records the link line only when its text changes.
  void linkChanged(const QString& text);

 private:
  QString path_;
  qint64 maxBytes_;
  std::mutex mutex_;
  QString lastLink_;
};
