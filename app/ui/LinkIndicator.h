#pragma once

#include <QColor>
#include <QWidget>

// The round link lamp next to "Модуль на связи": bright green while the module answers, grey
// otherwise.
class LinkIndicator : public QWidget {
  Q_OBJECT
 public:
  explicit LinkIndicator(QWidget* parent = nullptr);

  void setOnline(bool online);
  bool isOnline() const { return online_; }
  QColor color() const;

  static const QColor kOnlineColor;
  static const QColor kOfflineColor;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool online_ = false;
};
