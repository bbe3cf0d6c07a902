#pragma once

#include <QObject>
#include <QString>
#include <mutex>

// The progress panel over the pages ("Запись параметров в модуль...", "УСПЕШНО!!!"), as core
// state: worker-side operations show and hide it, the window draws it when told (queued).
class ProgressLine : public QObject {
  Q_OBJECT
 public:
  // A new operation starts without a count.
  void show(const QString& text) {
    setCount(QString());
    set(true, text);
  }
  void setText(const QString& text) { set(visible(), text); }
  void hide() { set(false, text()); }
  // How far a counted operation got ("Запись 3 из 12", "7/20"), drawn under the text; an
  // empty text takes the count away.
  void setCount(const QString& count) {
    {
      std::lock_guard lock(mutex_);
      if (count == count_) return;
      count_ = count;
    }
    emit countChanged(count);
  }

  bool visible() const {
    std::lock_guard lock(mutex_);
    return visible_;
  }
  QString text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  QString count() const {
    std::lock_guard lock(mutex_);
    return count_;
  }

 signals:
  void changed(bool visible, const QString& text);
  void countChanged(const QString& count);

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
  QString count_;
};

class Clock;
class StatusLine;

// "Ошибка!!!" on the progress panel for 500 ms; then the panel goes and the poll timer comes
// back on.
void showWriteFailure(ProgressLine& progress, StatusLine& status, Clock& clock);
constexpr unsigned kWriteFailurePauseMs = 500;
