#pragma once

#include <QObject>
#include <QTimer>

#include "link/LinkContext.h"

class ModuleLinkParams;
class QWidget;

// What the window's link and program settings buttons do. All run on the user-interface
// thread; the window's poll timer stands still while their dialogs are open.

// The program's own link settings (tool bar "Настройки связи программы"): mem.ini section
// connect, then a reopen of the port with them.
void programLinkSettings(QWidget* parent, const LinkContext& link);

// Poll period and drive type (tool bar "Настройки программы"). A changed drive type asks the
// worker to identify the module again, which chooses the input names anew.
void programSettings(QWidget* parent, const LinkContext& link);

// The module's link settings ("Параметры связи модуля"): the worker reads them, the dialog
// shows them when the worker says it has served the read, and the worker writes what the user
// confirmed. Without an answer within 3 s the status line says so. The window never waits.
class ModuleLinkSettings : public QObject {
  Q_OBJECT
 public:
  static constexpr int kReadWaitMs = 3000;

  ModuleLinkSettings(QWidget* parent, const LinkContext& link, ModuleLinkParams& params);
  void ButtonShowConnectClick();
  // Counts the 3 s for the worker to serve the read.
  QTimer* readTimer() { return &readTimer_; }

 private:
  void readServed();
  void readTimedOut();

  QWidget* parent_;
  LinkContext link_;
  ModuleLinkParams& params_;
  QTimer readTimer_;
};
