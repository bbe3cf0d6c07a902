#include "core/StatusLine.h"

void StatusLine::setText(int panel, const QString& text) {
  if (panel < 0 || panel >= PanelCount) return;
  {
    std::lock_guard lock(mutex_);
    texts_[panel] = text;
  }
  emit textChanged(panel, text);
}

QString StatusLine::text(int panel) const {
  if (panel < 0 || panel >= PanelCount) return QString();
  std::lock_guard lock(mutex_);
  return texts_[panel];
}
