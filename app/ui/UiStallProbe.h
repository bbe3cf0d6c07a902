#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <optional>

// How long the window's thread stalls: a heartbeat every 5 ms on that thread, and every 5 s a
// line "ui-stall-ms N" on standard error with the longest gap between two heartbeats in those
// 5 s. Started by the program when the environment variable TARVIX_UI_PROBE is set.
class UiStallProbe : public QObject {
 public:
  static constexpr int kHeartbeatMs = 5;
  static constexpr int kReportMs = 5000;
  static constexpr const char* kEnvironmentVariable = "TARVIX_UI_PROBE";

  explicit UiStallProbe(std::FILE* out = stderr, QObject* parent = nullptr);
  void start();

  // One heartbeat at `nowMs`; the report line once a report period has passed since the last.
  std::optional<QByteArray> beat(qint64 nowMs);

 private:
  std::FILE* out_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 lastBeat_ = -1;
  qint64 periodStart_ = 0;
  qint64 longest_ = 0;
};
