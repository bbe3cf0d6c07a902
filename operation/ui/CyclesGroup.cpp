#include "operation/ui/CyclesGroup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* field(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAutoFillBackground(true);
  label->setMinimumWidth(
      label->fontMetrics().horizontalAdvance(QStringLiteral("ПАУЗА ПОСЛЕ ВЫКАТ/ОТКЛ:  00000 сек")));
  return label;
}

QLineEdit* edit(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
  e->setAutoFillBackground(true);
  return e;
}

}  // namespace

CyclesGroup::CyclesGroup(const OperationContext& ctx, QWidget* parent)
    : QGroupBox(QStringLiteral("Циклы"), parent), ctx_(ctx) {
  setObjectName(QStringLiteral("GroupBoxCycles"));
  editCycles_ = edit("EditCycles", this);
  editPause_ = edit("EditPause", this);
  noFeedback_ = new QCheckBox(QStringLiteral("Без концевиков"), this);
  noFeedback_->setObjectName(QStringLiteral("CheckBoxNoFeedback"));
  auto* operationTimeLabel = new QLabel(QStringLiteral("Время операции, с"), this);
  operationTimeLabel->setObjectName(QStringLiteral("Label34"));
  noFeedbackTime_ = edit("EditNoFeedbackTime", this);
  start_ = new QPushButton(QStringLiteral("Начать/Продолжить"), this);
  start_->setObjectName(QStringLiteral("ButtonStartCycles"));
  stop_ = new QPushButton(QStringLiteral("Остановить"), this);
  stop_->setObjectName(QStringLiteral("ButtonStopCycles"));
  reset_ = new QPushButton(QStringLiteral("Сброс циклов"), this);
  reset_->setObjectName(QStringLiteral("ButtonResetCycles"));
  status_ = field("StaticTextCyclesStatus", this);
  const char* stageNames[CyclesState::FieldCount] = {
      "StaticTextStageOn", "StaticTextStagePauseAfterOn", "StaticTextStageOff",
      "StaticTextStagePauseAfterOff"};
  for (int i = 0; i < CyclesState::FieldCount; ++i) stages_[i] = field(stageNames[i], this);
  done_ = field("StaticTextDoneCycles", this);
  done_->setMinimumWidth(done_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Количество циклов"), this), 0, 0);
  grid->addWidget(editCycles_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Пауза, сек"), this), 1, 0);
  grid->addWidget(editPause_, 1, 1);
  grid->addWidget(noFeedback_, 2, 0, 1, 2);
  grid->addWidget(operationTimeLabel, 3, 0);
  grid->addWidget(noFeedbackTime_, 3, 1);
  grid->addWidget(start_, 4, 0, 1, 2);
  grid->addWidget(stop_, 5, 0, 1, 2);
  grid->addWidget(reset_, 6, 0, 1, 2);
  grid->addWidget(status_, 0, 2);
  for (int i = 0; i < CyclesState::FieldCount; ++i) grid->addWidget(stages_[i], 1 + i, 2);
  auto* doneRow = new QHBoxLayout;
  doneRow->addWidget(new QLabel(QStringLiteral("Выполнено циклов"), this));
  doneRow->addWidget(done_);
  doneRow->addStretch(1);
  grid->addLayout(doneRow, 5, 2);
  grid->setColumnStretch(3, 1);

  CyclesState& state = ctx_.state.cycles;
  auto judged = [this](QLineEdit* e, bool (Cycles::*change)(const QString&)) {
    connect(e, &QLineEdit::textChanged, this, [this, e, change](const QString& text) {
      Cycles cycles(ctx_);
      paint(e, (cycles.*change)(text) ? palette().color(QPalette::Base) : QColor(Qt::red));
    });
  };
  judged(editCycles_, &Cycles::setCyclesNumber);
  judged(editPause_, &Cycles::setPause);
  connect(noFeedback_, &QCheckBox::toggled, this, [&state](bool on) { state.noFeedback = on; });
  connect(start_, &QPushButton::clicked, this,
          [this] { Cycles(ctx_).startOrContinue(noFeedbackTime_->text()); });
  connect(stop_, &QPushButton::clicked, this, [this] { Cycles(ctx_).stop(); });
  connect(reset_, &QPushButton::clicked, this, [this] { Cycles(ctx_).reset(); });
  connect(&state, &CyclesState::changed, this, &CyclesGroup::showState, Qt::QueuedConnection);

  // The settings as mem.ini keeps them; taken without writing them back.
  const Cycles::Settings settings = Cycles(ctx_).loadSettings();
  for (QWidget* w : std::initializer_list<QWidget*>{editCycles_, editPause_, noFeedback_})
    w->blockSignals(true);
  noFeedbackTime_->setText(settings.noFeedbackTime);
  noFeedback_->setChecked(settings.noFeedback);
  editCycles_->setText(settings.number);
  editPause_->setText(settings.pause);
  for (QWidget* w : std::initializer_list<QWidget*>{editCycles_, editPause_, noFeedback_})
    w->blockSignals(false);
  state.noFeedback = settings.noFeedback;
  Cycles(ctx_).takeSettings(settings);
  showState();
}

void CyclesGroup::paint(QWidget* widget, const QColor& colour) {
  QPalette p = widget->palette();
  p.setColor(widget->backgroundRole(), colour);
  widget->setPalette(p);
}

void CyclesGroup::showState() {
  const CyclesState::View v = ctx_.state.cycles.view();
  const QColor face = palette().color(QPalette::Window);
  auto shade = [&](CyclesState::Shade s) {
    switch (s) {
      case CyclesState::Shade::Red:
        return QColor(Qt::red);
      case CyclesState::Shade::Lime:
        return QColor(0, 255, 0);
      case CyclesState::Shade::Yellow:
        return QColor(Qt::yellow);
      case CyclesState::Shade::Face:
        break;
    }
    return face;
  };
  status_->setText(v.status);
  paint(status_, shade(v.statusShade));
  for (int i = 0; i < CyclesState::FieldCount; ++i) {
    stages_[i]->setText(v.fields[i]);
    paint(stages_[i], v.active[i] ? QColor(Qt::yellow) : face);
  }
  done_->setText(v.done);
  noFeedbackTime_->setEnabled(v.noFeedbackTimeEditable);
}
