#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "link/Prompter.h"

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

 private:
  void runOnOwnThread(const std::function<void()>& action);

  QPointer<QWidget> window_;
};
