#include "params/ParamsState.h"

void ParamsState::storeMotorPassword(const QString& text) {
  std::lock_guard lock(passwordMutex_);
  motorPassword_ = text;
}

QString ParamsState::takeMotorPassword() {
  std::lock_guard lock(passwordMutex_);
  QString text;
  text.swap(motorPassword_);
  return text;
}
