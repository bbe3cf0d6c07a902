#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <mutex>

// The texts of the five status bar panels, as core state. Worker-side code sets them; the
// window draws them when told (queued) of a change.
class StatusLine : public QObject {
  Q_OBJECT
 public:
  enum Panel { Link = 0, Control = 1, Firmware = 2, Logic = 3, Version = 4, PanelCount = 5 };

  void setText(int panel, const QString& text);
  QString text(int panel) const;
  // Duration of the last poll pass (Label12).
  void setPassDuration(int ms) { emit passDurationChanged(ms); }
  // Switches the window's poll timer (Timer1) on or off.
  void setPollTimerActive(bool on) { emit pollTimerChanged(on); }

 signals:
  void textChanged(int panel, const QString& text);
  void passDurationChanged(int ms);
  void pollTimerChanged(bool on);

 private:
  mutable std::mutex mutex_;
  std::array<QString, PanelCount> texts_;
};
