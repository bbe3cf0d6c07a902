#include "params/ui/ServicePage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "params/ui/ParameterGrid.h"

namespace {

QGroupBox* group(const QString& caption, QWidget* content, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  content->setParent(box);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(content);
  return box;
}

}  // namespace

ServicePage::ServicePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetService"));
  amps_ = ParameterGrid::makeGrid(QStringLiteral("StringGridAmps"), this);
  debInpsParam_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDebInpsParam"), this);
  autoReset_ = ParameterGrid::makeGrid(QStringLiteral("StringGridAutoReset"), this);
  debug_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDebug"), this);

  // Ten items from the start; identification only renames them.
  inversion_ = new QListWidget(this);
  inversion_->setObjectName(QStringLiteral("CheckListBoxInversion"));
  for (int i = 0; i < ParameterTables::kInversionItems; ++i) {
    auto* item = new QListWidgetItem(QString(), inversion_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  connect(inversion_, &QListWidget::itemChanged, this, [this] {
    std::array<bool, ParameterTables::kInversionItems> checked{};
    for (int i = 0; i < ParameterTables::kInversionItems; ++i)
      checked[i] = inversion_->item(i)->checkState() == Qt::Checked;
    emit inversionEdited(checked);
  });

  QGroupBox* amps = group(QStringLiteral("Параметры усиления"), amps_, this);
  QGroupBox* service = group(QStringLiteral("Служебные параметры входов"), debInpsParam_, this);
  inversionGroup_ = group(QStringLiteral("Инверсия входов"), inversion_, this);
  inversionGroup_->setObjectName(QStringLiteral("GroupBoxInversion"));
  autoResetGroup_ = group(QStringLiteral("Автоброс ошибки"), autoReset_, this);
  autoResetGroup_->setObjectName(QStringLiteral("GroupBox10"));
  QGroupBox* debug = group(QStringLiteral("Отладочные параметры"), debug_, this);

  save_ = new QPushButton(QStringLiteral("Записать параметры в модуль"), this);
  save_->setObjectName(QStringLiteral("ButtonSaveService"));

  auto* left = new QVBoxLayout;
  left->addWidget(amps, 1);
  left->addWidget(service, 2);
  auto* middle = new QVBoxLayout;
  middle->addWidget(inversionGroup_, 2);
  middle->addWidget(autoResetGroup_, 1);
  middle->addStretch(0);
  middle->addWidget(save_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 3);
  layout->addLayout(middle, 2);
  layout->addWidget(debug, 3);

  showFirmwareGroups(false, false, {});
}

void ServicePage::showFirmwareGroups(bool autoReset, bool inversion,
                                     const QStringList& inputNames) {
  autoResetGroup_->setVisible(autoReset);
  inversionGroup_->setVisible(inversion);
  if (!inversion) return;
  const QSignalBlocker quiet(inversion_);  // the check marks stay as they are
  for (int i = 0; i < ParameterTables::kInversionItems; ++i)
    inversion_->item(i)->setText(inputNames.value(i));
}

void ServicePage::showInversion(const std::array<bool, ParameterTables::kInversionItems>& checked) {
  const QSignalBlocker quiet(inversion_);
  for (int i = 0; i < ParameterTables::kInversionItems; ++i)
    inversion_->item(i)->setCheckState(checked[i] ? Qt::Checked : Qt::Unchecked);
}

void ServicePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window restored from the task bar does not count as choosing the tab.
  if (!event->spontaneous()) emit shown();
}
