#pragma once

#include <QString>

// Message boxes asked for by core code. A call returns only when the user has acknowledged
// the box, so a worker-side caller holds its cycle until then.
class Prompter {
 public:
  enum class Icon { Information, Warning, Error };
  virtual ~Prompter() = default;
  virtual void showMessage(const QString& caption, const QString& text, Icon icon) = 0;
  // A box the caller need not wait for: the worker goes on polling while it is shown, so the
  // window keeps showing the module as it is. Without a window it is shown as any other.
  virtual void notify(const QString& caption, const QString& text, Icon icon) {
    showMessage(caption, text, icon);
  }
  // OK/Cancel; true for OK.
  virtual bool confirm(const QString& caption, const QString& text) = 0;
};
