#include "bench/ui/CurrentWindowsDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "bench/BenchKeys.h"
#include "bench/CurrentWindows.h"
#include "core/SettingsStore.h"
#include "core/ui/MessageBoxes.h"

CurrentWindowsDialog::CurrentWindowsDialog(SettingsStore& tp, QWidget* parent)
    : QDialog(parent), tp_(tp) {
  setObjectName(QStringLiteral("FormCurrentWindow"));
  setWindowTitle(QStringLiteral("Дополнительные параметры"));
  setModal(true);

  auto* group = new QGroupBox(QStringLiteral("Токовые окна"), this);
  curProf_ = new QComboBox(group);
  curProf_->setObjectName(QStringLiteral("ComboBoxCurProf"));
  curProf_->addItems({QStringLiteral("Точный"), QStringLiteral("Грубый")});
  save_ = new QPushButton(QStringLiteral("Сохранить"), group);
  save_->setObjectName(QStringLiteral("ButtonSave"));
  grid_ = new QTableWidget(1, 2, group);
  grid_->setObjectName(QStringLiteral("StringGridTok"));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setDefaultSectionSize(200);
  grid_->verticalHeader()->setDefaultSectionSize(24);
  grid_->setMinimumSize(2 * 200 + 24, 8 * 24 + 6);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Профиль"), group));
  top->addWidget(curProf_);
  top->addStretch(1);
  top->addWidget(save_);
  auto* inner = new QVBoxLayout(group);
  inner->addLayout(top);
  inner->addWidget(grid_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(curProf_, &QComboBox::activated, this, &CurrentWindowsDialog::ComboBoxCurProfChange);
  connect(save_, &QPushButton::clicked, this, &CurrentWindowsDialog::ButtonSaveClick);
}

void CurrentWindowsDialog::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void CurrentWindowsDialog::FormShow() {
  const int profile = tp_.readInteger(benchkeys::kCurrentWindowProfile);
  curProf_->setCurrentIndex(profile == 1 ? 1 : 0);
  loadGrid();
}

void CurrentWindowsDialog::ComboBoxCurProfChange() { loadGrid(); }

void CurrentWindowsDialog::loadGrid() {
  const QVector<currentwindows::Row> rows = currentwindows::load(tp_, curProf_->currentIndex());
  grid_->clearContents();
  grid_->setRowCount(std::max<int>(1, int(rows.size())));
  for (int r = 0; r < rows.size(); ++r) {
    grid_->setItem(r, 0, new QTableWidgetItem(rows[r].key));
    grid_->setItem(r, 1, new QTableWidgetItem(rows[r].value));
  }
}

void CurrentWindowsDialog::ButtonSaveClick() {
  QVector<currentwindows::Row> rows;
  for (int r = 0; r < grid_->rowCount(); ++r) {
    const QTableWidgetItem* key = grid_->item(r, 0);
    const QTableWidgetItem* value = grid_->item(r, 1);
    rows.append({key ? key->text() : QString(), value ? value->text() : QString()});
  }
  if (const std::optional<QString> refused = currentwindows::validate(rows)) {
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"), *refused);
    return;
  }
  if (!currentwindows::save(tp_, curProf_->currentIndex(), rows))
    showMessageBox(this, QMessageBox::Critical, QStringLiteral("Ошибка"), tp_.saveFailureText());
}
