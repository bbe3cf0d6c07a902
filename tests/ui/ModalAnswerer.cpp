#include "ui/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> action) : action_(std::move(action)) {
  timer_.setInterval(1);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (QWidget* modal = QApplication::activeModalWidget()) action_(modal);
  });
  timer_.start();
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer)
    : answerer_([this, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box || !box->isVisible()) return;
        QStringList buttons;
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        seen_.push_back({box->windowTitle(), box->text(), box->icon(), buttons});
        box->button(answer)->click();
      }) {}
