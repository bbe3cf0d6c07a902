#include "app/WidgetPrompter.h"

#include <QMessageBox>
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
  runOnOwnThread([&] {
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, window_);
    box.exec();
  });
}

bool WidgetPrompter::confirm(const QString& caption, const QString& text) {
  bool accepted = false;
  runOnOwnThread([&] {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    window_);
    box.setDefaultButton(QMessageBox::Ok);
    accepted = box.exec() == QMessageBox::Ok;
  });
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
