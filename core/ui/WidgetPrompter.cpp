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

WidgetPrompter::WidgetPrompter(QWidget* window) : window_(window) {}

void WidgetPrompter::showMessage(const QString& caption, const QString& text, Icon icon) {
  ask([this, caption, text, icon] {
    showMessageBox(window_, boxIcon(icon), caption, text);
    return true;
  });
}

void WidgetPrompter::notify(const QString& caption, const QString& text, Icon icon) {
  if (QThread::currentThread() == thread()) return showMessage(caption, text, icon);
  QMetaObject::invokeMethod(
      this,
      [this, caption, text, icon] {
        {
          std::lock_guard lock(mutex_);
          if (shutDown_) return;
        }
        showMessageBox(window_, boxIcon(icon), caption, text);
      },
      Qt::QueuedConnection);
}

bool WidgetPrompter::confirm(const QString& caption, const QString& text) {
  return ask([this, caption, text] { return askOkCancel(window_, caption, text); });
}

bool WidgetPrompter::ask(std::function<bool()> box) {
  // The window's own questions are asked as ever, also while it closes.
  if (QThread::currentThread() == thread()) return box();
  // The worker holds its cycle here until the user has answered, or the window closes.
  auto pending = std::make_shared<Pending>();
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return false;
    pending_.push_back(pending);
  }
  // The box is owned through a shared pointer: whichever thread lets go of it last destroys
  // it, after the count says so, never beside the window thread still reading it.
  auto shown = std::make_shared<std::function<bool()>>(std::move(box));
  QMetaObject::invokeMethod(
      this,
      [this, pending, shown] {
        {
          std::lock_guard lock(mutex_);
          if (pending->done) return;  // answered by shutDown() before it could be shown
        }
        const bool answer = (*shown)();
        std::lock_guard lock(mutex_);
        if (!pending->done) {
          pending->answer = answer;
          pending->done = true;
        }
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return pending->done; });
  std::erase(pending_, pending);
  return pending->answer;
}

void WidgetPrompter::shutDown() {
  std::lock_guard lock(mutex_);
  shutDown_ = true;
  for (const auto& p : pending_) p->done = true;  // answer: false, as Cancel
  answered_.notify_all();
}
