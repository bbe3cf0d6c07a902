#pragma once

class AppCore;
class QTimer;
class QWidget;

// What the window's link and program settings buttons do. All run on the user-interface
// thread; `timer1` is the window's poll timer.

// The program's own link settings (tool bar "Настройки связи программы"): mem.ini section
// connect, then a reopen of the port with them.
void programLinkSettings(QWidget* parent, AppCore& core, QTimer* timer1);

// Poll period and drive type (tool bar "Настройки программы"). A changed drive type asks the
// worker to identify the module again, which chooses the input names anew.
void programSettings(QWidget* parent, AppCore& core, QTimer* timer1);

// The module's link settings ("Параметры связи модуля"): the worker reads them, the dialog
// shows them, and the worker writes what the user confirmed.
void moduleLinkSettings(QWidget* parent, AppCore& core, QTimer* timer1);
