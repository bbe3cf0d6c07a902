#include "link/LinkContext.h"

#include "core/StatusLine.h"
#include "link/LinkFlags.h"

void LinkContext::showLinkFailure(const QString& text) const {
  status.setText(StatusLine::Link, text);
  flags.moduleOnline = false;
}
