#include "operation/ControlState.h"

#include <algorithm>

#include "core/StatusLine.h"
#include "link/LinkContext.h"
#include "link/ModbusRtuClient.h"
#include "params/ModuleRegisters.h"

void ControlState::loadTexts(const QStringList& commandTexts,
                             const QStringList& controlStateTexts) {
  std::lock_guard lock(mutex_);
  commandTexts_ = commandTexts;
  stateTexts_ = controlStateTexts;
}

bool ControlState::readControlState(const LinkContext& link) {
  ReadExchange x;
  if (!link.client.readModuleRegisters(x, modulemap::PushCommand, 4)) {
    link.showLinkFailure(x.error);
    {
      std::lock_guard lock(mutex_);
      stateText_ = QStringLiteral("---");
      stateShown_ = -1;
    }
    link.status.setText(StatusLine::Control, QStringLiteral("---"));
    emit changed();
    return false;
  }
  QString panelText;
  {
    std::lock_guard lock(mutex_);
    // A reply with fewer registers than asked answers for those alone; the rest keep what
    // the last full reply said rather than the zeros of an empty buffer.
    std::copy_n(x.registers.begin(), std::min<int>(x.decodedCount, 4), block_.begin());
    const int command = block_[0] ? 1 : block_[1] ? 2 : block_[2] ? 3 : 0;
    // A short [cmd_stat] leaves the text empty rather than failing.
    commandText_ = commandTexts_.value(command);
    const int state = block_[3];
    if (state != stateShown_) {
      stateText_ = state < stateTexts_.size() ? stateTexts_[state] : QStringLiteral("???????");
      stateShown_ = state;
      panelText = stateText_;
    }
  }
  if (!panelText.isNull()) link.status.setText(StatusLine::Control, panelText);
  emit changed();
  return true;
}

std::array<uint16_t, 4> ControlState::block() const {
  std::lock_guard lock(mutex_);
  return block_;
}

QString ControlState::commandText() const {
  std::lock_guard lock(mutex_);
  return commandText_;
}

QString ControlState::stateText() const {
  std::lock_guard lock(mutex_);
  return stateText_;
}
