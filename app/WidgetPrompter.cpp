#include "app/WidgetPrompter.h"

#include "app/MessageBoxes.h"
#include <QThread>

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
  runOnOwnThread([&] { showMessageBox(window_, boxIcon(icon), caption, text); });
}

bool WidgetPrompter::confirm(const QString& caption, const QString& text) {
  bool accepted = false;
  runOnOwnThread([&] { accepted = askOkCancel(window_, caption, text); });
  return accepted;
}

void WidgetPrompter::runOnOwnThread(const std::function<void()>& action) {
  if (QThread::currentThread() == thread()) {
    action();
    return;
  }
  // The worker holds its cycle here until the user has answered.
  QMetaObject::invokeMethod(this, action, Qt::BlockingQueuedConnection);
}
