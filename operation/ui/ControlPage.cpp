#include "operation/ui/ControlPage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "link/RequestFlags.h"
#include "operation/ui/CyclesGroup.h"

ControlPage::ControlPage(const OperationContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("TabSheetControl"));

  benchToolBar_ = new QToolBar(this);
  benchToolBar_->setObjectName(QStringLiteral("ToolBar4"));
  buttonConnect_ = new QPushButton(QStringLiteral("Параметры связи модуля"), this);
  buttonConnect_->setObjectName(QStringLiteral("ButtonConnect"));

  auto button = [this](const QString& text, const char* name, RequestFlags::Module request) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    connect(b, &QPushButton::clicked, this,
            [this, request] { ctx_.link().requests.module[request] = true; });
    return b;
  };
  push_ = button(QStringLiteral("Вкатить/Включить"), "ButtonPush", RequestFlags::Push);
  pull_ = button(QStringLiteral("Выкатить/Отключить"), "ButtonPull", RequestFlags::Pull);
  reset_ = button(QStringLiteral("Сброс"), "ButtonRst", RequestFlags::ResetCommand);

  commandText_ = new QLabel(this);
  commandText_->setObjectName(QStringLiteral("StaticText3"));
  controlStateText_ = new QLabel(this);
  controlStateText_->setObjectName(QStringLiteral("StaticText2"));
  for (QLabel* text : {commandText_, controlStateText_}) {
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    text->setMinimumWidth(text->fontMetrics().horizontalAdvance(QString(30, QLatin1Char('0'))));
  }
  auto* stateForm = new QFormLayout;
  stateForm->addRow(QStringLiteral("Выполняется команда"), commandText_);
  stateForm->addRow(QStringLiteral("Состояние"), controlStateText_);

  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {push_, pull_, reset_}) commands->addWidget(b);
  commands->addStretch(1);

  cycles_ = new CyclesGroup(ctx_, this);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(buttonConnect_);
  buttonRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(benchToolBar_);
  layout->addLayout(commands);
  layout->addLayout(stateForm);
  layout->addWidget(cycles_);
  layout->addLayout(buttonRow);
  layout->addStretch(1);
}

// TabSheetControlShow: the feedback inputs follow the module's input map.
void ControlPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ctx_.link().requests.module[RequestFlags::InputMap] = true;
}
