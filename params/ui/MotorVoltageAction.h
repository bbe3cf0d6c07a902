#pragma once

struct ParameterContext;
class QWidget;

// ButtonChange of the main tab: asks for the motor voltage change in MotorVoltageDialog (one dialog
// per parent window, made on first use) and, when the user confirms, leaves the password in the
// state and raises the request the next poll pass serves.
void ButtonChangeClick(QWidget* parent, const ParameterContext& ctx);
