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

// Boxes nobody is to see: their text is printed by whoever asked for them.
class QuietPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString&, Icon) override {}
  bool confirm(const QString&, const QString&) override { return false; }
};
