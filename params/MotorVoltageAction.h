#pragma once

class AppCore;
class QWidget;

// ButtonChange of the main tab: asks for the motor voltage change in TForm4 (one dialog per
// parent window, made on first use) and, when the user confirms, leaves the password in the
// core and raises the request the next poll pass serves.
void ButtonChangeClick(QWidget* parent, AppCore& core);
