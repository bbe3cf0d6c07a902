#include "link/ui/BusMonitorWindow.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include "core/ui/MessageBoxes.h"
#include "core/ui/RussianInterface.h"
#include "link/BusMonitor.h"

namespace {

// The rows of failed exchanges in dark red, so a fault stands out in a scrolling table.
class FailureTint : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::ForegroundRole)
      return QIdentityProxyModel::data(index, BusMonitor::FailedRole).toBool()
                 ? QVariant(QColor(Qt::darkRed))
                 : QVariant();
    return QIdentityProxyModel::data(index, role);
  }
};

// Widths that fit the longest text of each column at the default font, so nothing is measured
// per row (a 20,000-row table would pay for it at every batch).
constexpr int kColumnChars[BusMonitor::kColumnCount] = {12, 5, 11, 8, 8, 7, 16, 26, 20, 8};

}  // namespace

// The table's scroll bar still moves while the children go: its handler must not reach a
// window that is no longer whole.
BusMonitorWindow::~BusMonitorWindow() { table_->verticalScrollBar()->disconnect(this); }

BusMonitorWindow::BusMonitorWindow(BusMonitor& monitor, QWidget* parent)
    : QWidget(parent, Qt::Window), monitor_(monitor) {
  setObjectName(QStringLiteral("FormTraffic"));
  setWindowTitle(QStringLiteral("Обмен"));
  counters_ = new QLabel(this);
  counters_->setObjectName(QStringLiteral("LabelCounters"));
  counters_->setWordWrap(true);
  counters_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(createControls());
  layout->addWidget(createTable(), 1);
  layout->addWidget(counters_);
  connectControls();

  fillAddresses();
  showCounters();
  pause_->setChecked(monitor_.paused());
  resize(1280, 640);
}

QLayout* BusMonitorWindow::createControls() {
  pause_ = new QPushButton(QStringLiteral("Пауза"), this);
  pause_->setObjectName(QStringLiteral("ButtonPause"));
  pause_->setCheckable(true);
  clear_ = new QPushButton(QStringLiteral("Очистить"), this);
  clear_->setObjectName(QStringLiteral("ButtonClear"));
  auto* addressLabel = new QLabel(QStringLiteral("Адрес:"), this);
  address_ = new QComboBox(this);
  address_->setObjectName(QStringLiteral("ComboAddress"));
  address_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  addressLabel->setBuddy(address_);
  failuresOnly_ = new QCheckBox(QStringLiteral("Только ошибки"), this);
  failuresOnly_->setObjectName(QStringLiteral("CheckFailuresOnly"));
  save_ = new QPushButton(QStringLiteral("Сохранить..."), this);
  save_->setObjectName(QStringLiteral("ButtonSave"));

  auto* controls = new QHBoxLayout;
  controls->addWidget(pause_);
  controls->addWidget(clear_);
  controls->addSpacing(12);
  controls->addWidget(addressLabel);
  controls->addWidget(address_);
  controls->addWidget(failuresOnly_);
  controls->addStretch(1);
  controls->addWidget(save_);
  return controls;
}

QTableView* BusMonitorWindow::createTable() {
  auto* tint = new FailureTint(this);
  tint->setSourceModel(&monitor_);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("TableTraffic"));
  table_->setModel(tint);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->setAlternatingRowColors(true);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(true);
  const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (int c = 0; c < BusMonitor::kColumnCount; ++c)
    table_->setColumnWidth(c, kColumnChars[c] * charWidth + 12);
  // The attempt beside the count and the result last, taking the rest of the width: the long
  // values and bytes are cut short (their tool tips hold them whole), the result never.
  header->moveSection(header->visualIndex(BusMonitor::Attempt),
                      header->visualIndex(BusMonitor::Values));
  return table_;
}

void BusMonitorWindow::connectControls() {
  connect(pause_, &QPushButton::toggled, this, [this](bool on) { monitor_.setPaused(on); });
  connect(clear_, &QPushButton::clicked, this, [this] { monitor_.clear(); });
  connect(failuresOnly_, &QCheckBox::toggled, this,
          [this](bool on) { monitor_.setFailuresOnly(on); });
  connect(address_, &QComboBox::activated, this, [this] {
    const QVariant data = address_->currentData();
    monitor_.setAddressFilter(data.isValid() ? std::optional(uint8_t(data.toInt())) : std::nullopt);
  });
  connect(save_, &QPushButton::clicked, this, &BusMonitorWindow::ButtonSaveClick);
  connect(&monitor_, &BusMonitor::countersChanged, this, &BusMonitorWindow::showCounters);
  connect(&monitor_, &BusMonitor::addressesChanged, this, &BusMonitorWindow::fillAddresses);
  // The table follows new rows while the user looks at its end, and stays put otherwise.
  QScrollBar* bar = table_->verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this,
          [this, bar](int value) { followTail_ = value >= bar->maximum(); });
  connect(&monitor_, &BusMonitor::rowsInserted, this, [this] {
    if (followTail_ && isVisible()) table_->scrollToBottom();
  });
}

void BusMonitorWindow::fillAddresses() {
  const QVariant current = address_->currentData();
  address_->clear();
  address_->addItem(QStringLiteral("все"));
  for (uint8_t a : monitor_.addresses()) address_->addItem(monitor_.addressText(a), int(a));
  const int index = current.isValid() ? address_->findData(current) : 0;
  address_->setCurrentIndex(std::max(index, 0));
}

void BusMonitorWindow::showCounters() {
  QString text = monitor_.countersText(QStringLiteral("\n"));
  if (monitor_.paused())
    text += QStringLiteral("\nПауза: пропущено кадров: %1").arg(monitor_.skippedWhilePaused());
  counters_->setText(text);
}

void BusMonitorWindow::ButtonSaveClick() {
  QFileDialog dialog(this, QStringLiteral("Сохранить..."), QDir::currentPath());
  dialog.setObjectName(QStringLiteral("SaveDialogTraffic"));
  prepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("Текстовые файлы (*.txt)"));
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  saveTo(dialog.selectedFiles().constFirst());
}

bool BusMonitorWindow::saveTo(const QString& path) {
  QString error;
  if (monitor_.save(path, &error)) return true;
  showMessageBox(
      this, QMessageBox::Critical, QStringLiteral("Ошибка"),
      QStringLiteral("Файл %1 не сохранён: %2").arg(QDir::toNativeSeparators(path), error));
  return false;
}
