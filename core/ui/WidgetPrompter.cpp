#include "core/ui/WidgetPrompter.h"

#include <QThread>

#include "core/ui/MessageBoxes.h"

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon) {
  switch (icon) {
    case Prompter::Icon::Information:
      return QMessageBox::Information;
    case Prompter::Icon::Warning:
      return QMessageBox::Warning;
    case Prompter::Icon::Error:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

WidgetPrompter::WidgetPrompter(QWidget* window) : window_(window) {
  connect(this, &WidgetPrompter::boxQueued, this, &WidgetPrompter::showQueued,
          Qt::QueuedConnection);
}

std::function<bool()> WidgetPrompter::messageBox(const QString& caption, const QString& text,
                                                 Icon icon) {
  return [this, caption, text, icon] {
    showMessageBox(window_, boxIcon(icon), caption, text);
    return true;
  };
}

void WidgetPrompter::showMessage(const QString& caption, const QString& text, Icon icon) {
  ask(messageBox(caption, text, icon));
}

void WidgetPrompter::notify(const QString& caption, const QString& text, Icon icon) {
  if (QThread::currentThread() == thread()) return showMessage(caption, text, icon);
  auto pending = std::make_shared<Pending>();
  pending->box = messageBox(caption, text, icon);
  queue(pending, false);  // nobody waits for the answer
}

bool WidgetPrompter::confirm(const QString& caption, const QString& text) {
  return ask([this, caption, text] { return askOkCancel(window_, caption, text); });
}

bool WidgetPrompter::ask(std::function<bool()> box) {
  // The window's own questions are asked as ever, also while it closes.
  if (QThread::currentThread() == thread()) return box();
  // The worker holds its cycle here until the user has answered, or the window closes.
  auto pending = std::make_shared<Pending>();
  pending->box = std::move(box);
  if (!queue(pending, true)) return false;
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return pending->done; });
  std::erase(pending_, pending);
  return pending->answer;
}

bool WidgetPrompter::queue(const std::shared_ptr<Pending>& pending, bool waited) {
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return false;
    if (waited) pending_.push_back(pending);
    queued_.push_back(pending);
  }
  emit boxQueued();
  return true;
}

void WidgetPrompter::showQueued() {
  std::shared_ptr<Pending> pending;
  {
    std::lock_guard lock(mutex_);
    if (queued_.empty()) return;
    pending = queued_.front();
    queued_.pop_front();
    // Answered by shutDown() before it could be shown, or the window is closing.
    if (pending->done || shutDown_) return;
  }
  const bool answer = pending->box();
  std::lock_guard lock(mutex_);
  if (!pending->done) {
    pending->answer = answer;
    pending->done = true;
  }
  answered_.notify_all();
}

void WidgetPrompter::shutDown() {
  std::lock_guard lock(mutex_);
  shutDown_ = true;
  for (const auto& p : pending_) p->done = true;  // answer: false, as Cancel
  answered_.notify_all();
}
