#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// The panel shown over the pages while a long operation runs ("Запись параметров в модуль...",
// "УСПЕШНО!!!"). It stays centred over the widget it covers.
class ProgressPanel : public QFrame {
  Q_OBJECT
 public:
  // `covered` must be the panel's parent.
  explicit ProgressPanel(QWidget* covered);

  void showText(const QString& text);
  void setText(const QString& text);
  QString text() const;
  // The count line under the text; empty hides it.
  void setCount(const QString& count);
  QString count() const;

  QLabel* label() const { return label_; }
  // Shown only while the event log is being fetched.
  QPushButton* buttonStopReadingLog() const { return buttonStop_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void centre();

  QLabel* label_;
  QLabel* count_;
  QPushButton* buttonStop_;
};
