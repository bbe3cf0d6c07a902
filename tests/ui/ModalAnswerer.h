#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

// Answers modal windows from inside the event loop that runs them: while it lives, `action`
// is called with the active modal widget whenever there is one. The action closes what it
// handles and leaves the rest alone.
class ModalAnswerer : public QObject {
 public:
  explicit ModalAnswerer(std::function<void(QWidget*)> action);

 private:
  QTimer timer_;
  std::function<void(QWidget*)> action_;
};

// A message box as the user saw it.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QStringList buttons;  // their texts, in the box's order
};

// Records every message box and presses `answer` in it; other modal windows are left alone.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
  const std::vector<SeenBox>& seen() const { return seen_; }

 private:
  std::vector<SeenBox> seen_;
  ModalAnswerer answerer_;
};
