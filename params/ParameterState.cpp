#include "params/ParameterState.h"

void ParameterState::storeMotorPassword(const QString& text) {
  std::lock_guard lock(passwordMutex_);
  motorPassword_ = text;
}

QString ParameterState::takeMotorPassword() {
  std::lock_guard lock(passwordMutex_);
  QString text;
  text.swap(motorPassword_);
  return text;
}
