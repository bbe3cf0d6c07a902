#pragma once

#include <QObject>
#include <QVector>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

struct OperationContext;

// The points of the two plots as core state: the main diagram (one debug value during each
// motion) and the test diagram (motor currents handed over by the production test). The worker
// adds points; the window draws what is new when told (queued).
class DiagramState : public QObject {
  Q_OBJECT
 public:
  enum Plot { Main = 0, Test = 1 };

  struct Points {
    QVector<double> x, y;     // from the index asked for on
    int total = 0;            // points in the plot
    double axisMax = 1;       // the bottom axis ends here
    uint64_t generation = 0;  // changes whenever the plot is emptied
  };

  void clear(Plot plot);
  // Adds a point and makes the bottom axis end at the smallest integer >= x, plus 1.
  void add(Plot plot, double x, double y);
  Points pointsSince(Plot plot, int from) const;

  // The window's choices and what the worker shows back.
  std::atomic_bool drawing{false};        // "Рисовать диаграмму" (CheckBoxDiag)
  std::atomic_bool clearManually{false};  // "Очищать вручную" (CheckBoxResetDiagManually)
  std::atomic_bool drawTestRuns{false};   // "Диагр" (CheckBoxDiagByTest)
  std::atomic<uint32_t> startTick{0};     // time 0 of the main plot
  std::atomic<uint32_t> testTimeBase{0};  // time 0 of the test plot
  std::atomic_int lastValue{-1};          // StaticText4: the last sample; -1 before any

  // The worker's own: whether a motion is being recorded, and the control state it last saw.
  bool recording = false;
  uint8_t previousControlState = 0;

 signals:
  void changed(int plot);

 private:
  struct Series {
    QVector<double> x, y;
    double axisMax = 1;
    uint64_t generation = 0;
  };
  mutable std::mutex mutex_;
  std::array<Series, 2> series_;
};

// Worker, once per pass before the status read: records the chosen debug value while the
// module executes a command (control state 1, as read by the previous pass).
void sampleDiagram(const OperationContext& ctx);
// Where the test runner runs: one motor current on the test plot, at its time since the base.
void addTestDiagramPoint(const OperationContext& ctx, uint16_t value);
