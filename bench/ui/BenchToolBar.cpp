#include "bench/ui/BenchToolBar.h"

#include <QToolBar>
#include <QToolButton>

#include "bench/BenchButtons.h"

namespace {

QToolButton* checkButton(QToolBar* bar, int number, const QString& caption) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QStringLiteral("ToolButton%1").arg(number));
  button->setText(caption);
  button->setCheckable(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setMinimumWidth(23);
  bar->addWidget(button);
  return button;
}

}  // namespace

BenchToolBar::BenchToolBar(QToolBar* bar, BenchButtons& states, int firstInput, int firstRelay,
                           const QStringList& relayCaptions)
    : QObject(bar), states_(states) {
  for (int k = 0; k < BenchButtons::kInputs; ++k) {
    QToolButton* b = checkButton(bar, firstInput + k, QStringLiteral("i%1").arg(k + 1));
    inputs_.append(b);
    connect(b, &QToolButton::clicked, this, [this] {
      states_.setFromClick(pressedInputs(), states_.relays());
      emit inputsClicked(pressedInputs());
    });
  }
  bar->addSeparator();
  for (int k = 0; k < BenchButtons::kRelays; ++k) {
    QToolButton* b = checkButton(bar, firstRelay + k, relayCaptions.value(k));
    relays_.append(b);
    connect(b, &QToolButton::clicked, this, [this] {
      states_.setFromClick(states_.inputs(), pressedRelays());
      emit relaysClicked(pressedRelays());
    });
  }
  connect(&states_, &BenchButtons::changed, this, &BenchToolBar::showStates, Qt::QueuedConnection);
  showStates();
}

uint16_t BenchToolBar::pressedInputs() const {
  uint16_t mask = 0;
  for (int k = 0; k < inputs_.size(); ++k)
    if (inputs_[k]->isChecked()) mask |= uint16_t(1u << k);
  return mask;
}

uint8_t BenchToolBar::pressedRelays() const {
  uint8_t mask = 0;
  for (int k = 0; k < relays_.size(); ++k)
    if (relays_[k]->isChecked()) mask |= uint8_t(1u << k);
  return mask;
}

void BenchToolBar::showStates() {
  const uint16_t inputs = states_.inputs();
  const uint8_t relays = states_.relays();
  for (int k = 0; k < inputs_.size(); ++k) inputs_[k]->setChecked(inputs & (1u << k));
  for (int k = 0; k < relays_.size(); ++k) relays_[k]->setChecked(relays & (1u << k));
}
