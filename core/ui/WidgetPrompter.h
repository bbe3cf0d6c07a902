#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Prompter.h"

// Message boxes for core code. Called from the worker thread, the box is shown on the
// user-interface thread and the caller waits until the user has acknowledged it. Must be
// created on the user-interface thread.
class WidgetPrompter : public QObject, public Prompter {
  Q_OBJECT
 public:
  explicit WidgetPrompter(QWidget* window = nullptr);

  // The window the boxes are centred on.
  void setWindow(QWidget* window) { window_ = window; }

  void showMessage(const QString& caption, const QString& text, Icon icon) override;
  bool confirm(const QString& caption, const QString& text) override;
  // Shown on the user-interface thread; the caller goes on at once.
  void notify(const QString& caption, const QString& text, Icon icon) override;

  // The window is closing: every question from another thread still waiting is answered with
  // Cancel, and so is every later one, so a worker waiting for an answer can end.
  void shutDown();

 signals:
  // A box from another thread is queued; delivered queued to showQueued() on this thread.
  void boxQueued();

 private:
  struct Pending {
    std::function<bool()> box;
    bool done = false;
    bool answer = false;
  };
  // A box with the message and an OK button.
  std::function<bool()> messageBox(const QString& caption, const QString& text, Icon icon);
  // Runs the box on this object's thread and returns its answer (false after shutDown()).
  bool ask(std::function<bool()> box);
  // Queues a box from another thread, and among those waited for when `waited`; false after
  // shutDown().
  bool queue(const std::shared_ptr<Pending>& pending, bool waited);
  // Shows the oldest queued box and hands its answer to the thread waiting for it.
  void showQueued();

  QPointer<QWidget> window_;
  std::mutex mutex_;
  std::condition_variable answered_;
  // Everything handed between the threads passes under mutex_: the boxes as well as the
  // answers. (A lambda posted with invokeMethod would be handed over under Qt's event-queue
  // lock alone, which the thread sanitizer cannot see.)
  std::deque<std::shared_ptr<Pending>> queued_;
  std::vector<std::shared_ptr<Pending>> pending_;  // boxes whose callers wait for an answer
  bool shutDown_ = false;
};
