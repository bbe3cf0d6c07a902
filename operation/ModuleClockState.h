#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

#include "operation/DateFields.h"

// The module clock on the log and time page, as core state: the module's time as last read
// (the live display) and the table of new values that "Записать" sends. The worker fills both;
// the window draws them when told (queued) and writes what the user types back here.
class ModuleClockState : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRows = 6;  // year, month, day, hour, minute, second
  struct Limit {
    int min, max;
  };
  static constexpr std::array<Limit, kRows> kLimits{
      {{2000, 3000}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 59}}};
  static QStringList captions();  // "Год" .. "Секунды"
  static QString notShown() { return QStringLiteral("----"); }

  // The live display: one text per field, "----" before the first read.
  QStringList displayTexts() const;
  std::optional<DateFields> shown() const;
  void show(const DateFields& f);

  // Column 1 of the new-values table, one text per row.
  QStringList newValues() const;
  // By the worker: the page shows the new texts.
  void setNewValues(const QStringList& texts);
  // By the window, as the user types: nothing is told back.
  void storeNewValue(int row, const QString& text);

  // "Обновлять": the new values follow the computer's clock at every pass.
  std::atomic_bool updateFromPc{true};

  // The computer's local date and time; tests set a source of their own.
  QDateTime localNow() const;
  void setLocalTimeSource(std::function<QDateTime()> source);

 signals:
  void displayChanged();
  void newValuesChanged();

 private:
  mutable std::mutex mutex_;
  std::optional<DateFields> shown_;
  QStringList newValues_ = QStringList(kRows, QString());
  std::function<QDateTime()> localNow_;
};
