#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <mutex>
#include <optional>

#include "bench/ResultGrid.h"

// What one production test run leaves for its report: the unit, the times, the settings used,
// every measurement with the limits it was judged against, and the outcome. The worker fills
// it as the steps go; a run that is restarted (R16 not answering at the start) stays one run.
class TestRecord {
 public:
  enum class Outcome { Passed, Failed, Aborted, BenchFault };

  struct Measurement {
    QString step;      // the grid's step text
    QString quantity;  // what was measured
    QString value;
    QString limits;   // what it was judged against, in the terms of the value
    QString verdict;  // verdictText(), maybe with a remark
  };

  struct Unit {
    QString serial;
    int firmwareVersion = 0;
    int firmwareRevision = 0;
    int logicNumber = 0;
    int address = 0;
  };

  struct Data {
    bool active = false;
    Unit unit;
    QString operatorName;  // who tested the unit ("Оператор"); may be empty
    QDateTime started, ended;
    int attempts = 0;
    QStringList steps;     // the enabled steps
    QStringList settings;  // "section/key=value" of every setting used
    QVector<Measurement> measurements;
    QVector<ResultGrid::Row> rows;
    Outcome outcome = Outcome::Passed;
    QString message;
    bool benchFault = false;
    // The motor voltage type the run found and the one it left (register 119, by the names of
    // mem.ini); empty where the run never read it.
    QString motorTypeFound, motorTypeLeft;
    // The files of the run that could not be written, each as the user is told of it.
    QStringList unsaved;
  };

  // Starts a record unless one is running; true when it started one.
  bool begin(const QDateTime& now, const QString& serial, const QString& operatorName);
  bool active() const;
  void setUnit(const Unit& unit);
  void startAttempt(const QStringList& steps, const QStringList& settings);
  void add(const Measurement& m);
  // A bench module failed to answer: when the run fails, the bench is to blame.
  void noteBenchFault();
  bool benchFault() const;
  // Ends the record and returns it; false when none was running (already ended).
  bool finish(const QDateTime& now, Outcome outcome, const QString& message,
              const QVector<ResultGrid::Row>& rows, Data* out);

  // The serial number the next run is recorded under; the window sets it on "Старт".
  void setNextSerial(const QString& serial);
  QString nextSerial() const;
  // The operator the next run is recorded under, set with the serial number.
  void setNextOperator(const QString& name);
  QString nextOperator() const;

  static QString outcomeText(Outcome outcome);
  // The outcome that outcomeText() writes as `text`; none for any other text.
  static std::optional<Outcome> outcomeFromText(const QString& text);
  // The verdict of a row or a measurement as the report gives it: "норма" or "отказ".
  static QString verdictText(bool failed);

 private:
  mutable std::mutex mutex_;
  Data data_;
  QString nextSerial_;
  QString nextOperator_;
};
