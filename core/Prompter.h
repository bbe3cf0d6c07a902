#pragma once

#include <QString>

// Message boxes asked for by core code. A call returns only when the user has acknowledged
// the box, so a worker-side caller holds its cycle until then.
class Prompter {
 public:
  enum class Icon { Information, Warning, Error };
  virtual ~Prompter() = default;
  virtual void showMessage(const QString& caption, const QString& text, Icon icon) = 0;
  // OK/Cancel; true for OK.
  virtual bool confirm(const QString& caption, const QString& text) = 0;
};
