#pragma once

#include <QTextStream>

#include "core/Prompter.h"

// The command line's message boxes: their caption and text go to the stream (standard error),
// and a question is answered with Cancel, as nobody is there to answer it.
class StreamPrompter : public Prompter {
 public:
  explicit StreamPrompter(QTextStream& err) : err_(err) {}
  void showMessage(const QString& caption, const QString& text, Icon) override {
    err_ << caption << ": " << text << Qt::endl;
  }
  bool confirm(const QString& caption, const QString& text) override {
    showMessage(caption, text, Icon::Information);
    return false;
  }

 private:
  QTextStream& err_;
};
