// Replot time of the diagram with many points: 100,000 points handed to the plot at once and
// redrawn, then one more point appended and redrawn, as during a long manual-clearing session.
//   usage: bench_plot [POINTS] [REPEATS]   (offscreen: QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "operation/ui/DiagramPlot.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int points = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 20;

  DiagramState state;
  DiagramPlot plot(state, DiagramState::Main);
  plot.resize(1200, 700);
  plot.show();
  // A motor current: start-up peak, plateau with noise, 50 samples a second.
  for (int i = 0; i < points; ++i) {
    const double t = i / 50.0;
    state.add(DiagramState::Main, t, 800 + 1500 * std::exp(-t) + (i * 7919 % 61) - 30);
  }
  std::vector<double> full, append;
  for (int r = 0; r < repeats; ++r) {
    QElapsedTimer timer;
    timer.start();
    plot.refresh();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    full.push_back(timer.nsecsElapsed() / 1e6);
    const int n = state.pointsSince(DiagramState::Main, 0).total;
    state.add(DiagramState::Main, n / 50.0, 800);
    timer.restart();
    plot.refresh();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    append.push_back(timer.nsecsElapsed() / 1e6);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf(
      "%d points: first refresh and replot %.1f ms; append one and replot: median %.2f ms, "
      "worst %.2f ms over %d\n",
      points, full.front(), median(append), *std::max_element(append.begin(), append.end()),
      repeats);
  return 0;
}
