#pragma once

#include <QObject>
#include <QString>
#include <mutex>

// The progress panel over the pages ("Запись параметров в модуль...", "УСПЕШНО!!!"), as core
// state: worker-side operations show and hide it, the window draws it when told (queued).
class ProgressLine : public QObject {
  Q_OBJECT
 public:
  void show(const QString& text) { set(true, text); }
  void setText(const QString& text) { set(visible(), text); }
  void hide() { set(false, text()); }

  bool visible() const {
    std::lock_guard lock(mutex_);
    return visible_;
  }
  QString text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 signals:
  void changed(bool visible, const QString& text);

 private:
  void set(bool visible, const QString& text) {
    {
      std::lock_guard lock(mutex_);
      visible_ = visible;
      text_ = text;
    }
    emit changed(visible, text);
  }

  mutable std::mutex mutex_;
  bool visible_ = false;
  QString text_;
};

class Clock;
class StatusLine;

// "Ошибка!!!" on the progress panel for 500 ms; then the panel goes and the poll timer comes
// back on.
void showWriteFailure(ProgressLine& progress, StatusLine& status, Clock& clock);
constexpr unsigned kWriteFailurePauseMs = 500;
