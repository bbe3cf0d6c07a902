#include "bench/ui/TestPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "bench/ui/ResultGridView.h"
#include "operation/ui/DiagramPlot.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  return b;
}

}  // namespace

TestPage::TestPage(DiagramState& diagram, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetTest"));

  benchToolBar_ = new QToolBar(this);
  benchToolBar_->setObjectName(QStringLiteral("ToolBar2"));
  v24_ = button(this, "Button24V", QStringLiteral("24В"));
  v220_ = button(this, "Button220V", QStringLiteral("220В"));
  reset_ = button(this, "ButtonReset", QStringLiteral("Сброс"));
  auto* benchRow = new QHBoxLayout;
  benchRow->addWidget(benchToolBar_);
  benchRow->addWidget(v24_);
  benchRow->addWidget(v220_);
  benchRow->addWidget(reset_);
  benchRow->addStretch(1);

  results_ = ResultGridView::makeGrid(this);
  serial_ = new QLineEdit(this);
  serial_->setObjectName(QStringLiteral("EditSerial"));
  serial_->setPlaceholderText(QStringLiteral("можно оставить пустым"));
  operator_ = new QLineEdit(this);
  operator_->setObjectName(QStringLiteral("EditOperator"));
  operator_->setPlaceholderText(QStringLiteral("фамилия"));
  start_ = button(this, "ButtonStart", QStringLiteral("Старт"));
  stop_ = button(this, "ButtonStop", QStringLiteral("Стоп"));
  protocols_ = button(this, "ButtonProtocols", QStringLiteral("Протоколы"));
  // The unit and who tests it on a row of their own, wide enough to read what was typed; the
  // run's buttons under them.
  for (QLineEdit* edit : {serial_, operator_})
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("Иванова А. С.__")));
  auto* unitRow = new QHBoxLayout;
  unitRow->addWidget(new QLabel(QStringLiteral("Заводской номер"), this));
  unitRow->addWidget(serial_, 1);
  unitRow->addWidget(new QLabel(QStringLiteral("Оператор"), this));
  unitRow->addWidget(operator_, 1);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(start_);
  runRow->addWidget(stop_);
  runRow->addStretch(1);
  runRow->addWidget(protocols_);
  stepProgress_ = new QLabel(this);
  stepProgress_->setObjectName(QStringLiteral("StaticTextStep"));
  auto* resultsColumn = new QVBoxLayout;
  resultsColumn->addLayout(unitRow);
  resultsColumn->addLayout(runRow);
  resultsColumn->addWidget(stepProgress_);
  resultsColumn->addWidget(results_, 1);

  plotDiag_ = new DiagramPlot(diagram, DiagramState::Test, this);
  plotDiag_->setObjectName(QStringLiteral("PlotDiag"));
  plotDiag_->setMinimumHeight(180);
  testDiag_ = new QComboBox(this);
  testDiag_->setObjectName(QStringLiteral("ComboBoxTestDiag"));
  testDiag_->setMinimumContentsLength(24);
  diagByTest_ = new QCheckBox(QStringLiteral("Диагр"), this);
  diagByTest_->setObjectName(QStringLiteral("CheckBoxDiagByTest"));
  auto* plotRow = new QHBoxLayout;
  plotRow->addWidget(testDiag_);
  plotRow->addWidget(diagByTest_);
  plotRow->addStretch(1);

  auto* middle = new QHBoxLayout;
  middle->addWidget(settingsPanel());
  middle->addLayout(resultsColumn, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(benchRow);
  layout->addLayout(middle, 3);
  layout->addWidget(plotDiag_, 2);
  layout->addLayout(plotRow);
}

QWidget* TestPage::settingsPanel() {
  using E = TestSettings::Edit;
  auto* panel = new QWidget(this);
  const auto edit = [&](E e) {
    auto* line = new QLineEdit(panel);
    line->setObjectName(QLatin1String(TestSettings::field(e).objectName));
    line->setMaximumWidth(80);
    // Room for five digits and the frame: times run to tens of thousands of milliseconds.
    line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    edits_[size_t(e)] = line;
    return line;
  };
  const auto group = [&](const QString& title, std::initializer_list<E> rows) {
    auto* box = new QGroupBox(title, panel);
    auto* form = new QFormLayout(box);
    for (const E e : rows) form->addRow(QString::fromUtf8(TestSettings::field(e).label), edit(e));
    return box;
  };
  QGroupBox* inputs =
      group(QStringLiteral("Дискретные входы"), {E::DiCycles, E::Time1, E::Time0, E::DICount});
  QGroupBox* outputs =
      group(QStringLiteral("Дискретные выходы"), {E::DoCycles, E::DoTime1, E::DoTime0, E::DoCount});
  codes_ = new QTableWidget(0, 2, outputs);
  codes_->setObjectName(QStringLiteral("StringGridCodes"));
  codes_->horizontalHeader()->hide();
  codes_->verticalHeader()->hide();
  codes_->horizontalHeader()->setStretchLastSection(true);
  codes_->setMaximumHeight(110);
  static_cast<QFormLayout*>(outputs->layout())->addRow(codes_);
  QGroupBox* motor =
      group(QStringLiteral("Мотор"), {E::MTCycles, E::MotTime, E::OvCycles, E::OvTime, E::OvRms,
                                      E::OvTimeout, E::ShortCycles, E::BeforeShortTime});
  currentWindow_ = button(panel, "ButtonCurrentWindow", QStringLiteral("Токи"));
  steps_ = button(panel, "ButtonSteps", QStringLiteral("Шаги"));
  auto* dialogs = new QHBoxLayout;
  dialogs->addWidget(currentWindow_);
  dialogs->addWidget(steps_);

  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  auto* groups = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(inputs);
  left->addWidget(outputs);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(motor);
  right->addLayout(dialogs);
  right->addStretch(1);
  groups->addLayout(left);
  groups->addLayout(right);
  column->addLayout(groups);
  return panel;
}

void TestPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  emit shown();
}
