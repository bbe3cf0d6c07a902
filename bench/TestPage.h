#pragma once

#include <QWidget>

// The page "Испытания": the production test on the bench.
class TestPage : public QWidget {
  Q_OBJECT
 public:
  explicit TestPage(QWidget* parent = nullptr);
};
