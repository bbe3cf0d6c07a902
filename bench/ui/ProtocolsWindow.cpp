#include "bench/ui/ProtocolsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "bench/TestReport.h"
#include "bench/ui/ProtocolListModel.h"
#include "core/ui/MessageBoxes.h"

namespace {

QDateEdit* dateEdit(QWidget* parent, const char* name, const QDate& date) {
  auto* edit = new QDateEdit(date, parent);
  edit->setObjectName(QLatin1String(name));
  edit->setCalendarPopup(true);
  edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  return edit;
}

constexpr TestRecord::Outcome kOutcomes[] = {
    TestRecord::Outcome::Passed, TestRecord::Outcome::Failed, TestRecord::Outcome::Aborted,
    TestRecord::Outcome::BenchFault};

}  // namespace

ProtocolsWindow::ProtocolsWindow(const QString& reportsFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(reportsFolder) {
  setObjectName(QStringLiteral("FormProtocols"));
  setWindowTitle(QStringLiteral("Протоколы"));
  opener_ = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };

  const QDate today = QDate::currentDate();
  period_ = new QCheckBox(QStringLiteral("Период с"), this);
  period_->setObjectName(QStringLiteral("CheckBoxPeriod"));
  since_ = dateEdit(this, "DateEditSince", QDate(today.year(), today.month(), 1));
  until_ = dateEdit(this, "DateEditUntil", today);
  serial_ = new QLineEdit(this);
  serial_->setObjectName(QStringLiteral("EditSerialFilter"));
  serial_->setClearButtonEnabled(true);
  serial_->setPlaceholderText(QStringLiteral("все"));
  outcome_ = new QComboBox(this);
  outcome_->setObjectName(QStringLiteral("ComboBoxOutcome"));
  outcome_->addItem(QStringLiteral("Все"));
  for (TestRecord::Outcome o : kOutcomes) outcome_->addItem(TestRecord::outcomeText(o));
  refresh_ = new QPushButton(QStringLiteral("Обновить"), this);
  refresh_->setObjectName(QStringLiteral("ButtonRefresh"));

  auto* filters = new QHBoxLayout;
  filters->addWidget(period_);
  filters->addWidget(since_);
  filters->addWidget(new QLabel(QStringLiteral("по"), this));
  filters->addWidget(until_);
  filters->addSpacing(12);
  filters->addWidget(new QLabel(QStringLiteral("Заводской номер"), this));
  filters->addWidget(serial_, 1);
  filters->addWidget(new QLabel(QStringLiteral("Итог"), this));
  filters->addWidget(outcome_);
  filters->addWidget(refresh_);

  model_ = new ProtocolListModel(this);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("GridProtocols"));
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setWordWrap(false);
  const QFontMetrics fm = grid_->fontMetrics();
  grid_->setColumnWidth(ProtocolListModel::When,
                        fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) + 16);
  grid_->setColumnWidth(ProtocolListModel::Serial,
                        fm.horizontalAdvance(QStringLiteral("Заводской номер")) + 24);
  grid_->setColumnWidth(ProtocolListModel::Operator,
                        fm.horizontalAdvance(QStringLiteral("Оператор")) * 3);
  grid_->setColumnWidth(ProtocolListModel::Outcome,
                        fm.horizontalAdvance(QStringLiteral("НЕИСПРАВНОСТЬ СТЕНДА")) + 16);

  totals_ = new QLabel(this);
  totals_->setObjectName(QStringLiteral("LabelTotals"));
  totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* hint = new QLabel(QStringLiteral("Двойной щелчок открывает протокол (PDF)."), this);
  hint->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(grid_, 1);
  layout->addWidget(totals_);
  layout->addWidget(hint);
  resize(fm.horizontalAdvance(QLatin1Char('x')) * 140, fm.height() * 36);

  connect(period_, &QCheckBox::toggled, this, &ProtocolsWindow::applyFilter);
  connect(since_, &QDateEdit::dateChanged, this, &ProtocolsWindow::applyFilter);
  connect(until_, &QDateEdit::dateChanged, this, &ProtocolsWindow::applyFilter);
  connect(serial_, &QLineEdit::textChanged, this, &ProtocolsWindow::applyFilter);
  connect(outcome_, &QComboBox::currentIndexChanged, this, &ProtocolsWindow::applyFilter);
  connect(refresh_, &QPushButton::clicked, this, &ProtocolsWindow::reload);
  connect(grid_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { openRow(index.row()); });
  applyFilter();
}

HistoryFilter ProtocolsWindow::filter() const {
  HistoryFilter f;
  if (period_->isChecked()) {
    f.since = since_->date();
    f.until = until_->date();
  }
  f.serial = serial_->text();
  if (outcome_->currentIndex() > 0) f.outcome = kOutcomes[outcome_->currentIndex() - 1];
  return f;
}

void ProtocolsWindow::reload() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  model_->setHistory(RunHistory(ReportArchive::read(folder_)));
  QApplication::restoreOverrideCursor();
  applyFilter();
}

void ProtocolsWindow::applyFilter() {
  since_->setEnabled(period_->isChecked());
  until_->setEnabled(period_->isChecked());
  model_->setFilter(filter());
  const HistoryTotals t = model_->history().totals(model_->selection());
  QString text = QStringLiteral(
                     "Испытано: %1   пройдено: %2   не пройдено: %3   прервано: %4   "
                     "неисправность стенда: %5")
                     .arg(t.tested)
                     .arg(t.passed)
                     .arg(t.failed)
                     .arg(t.aborted)
                     .arg(t.benchFault);
  if (t.damaged > 0) text += QStringLiteral("   повреждено: %1").arg(t.damaged);
  text += QStringLiteral("\nВыход годных с первого раза: ") + RunHistory::firstPassYieldText(t);
  totals_->setText(text);
}

void ProtocolsWindow::openRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const QString pdf = TestReport::protocolPath(model_->runAt(row).file);
  if (!QFileInfo::exists(pdf)) {
    showMessageBox(
        this, QMessageBox::Warning, QStringLiteral("Протоколы"),
        QStringLiteral("Нет протокола PDF этого испытания:\n") + QDir::toNativeSeparators(pdf));
    return;
  }
  if (!opener_(pdf))
    showMessageBox(
        this, QMessageBox::Warning, QStringLiteral("Протоколы"),
        QStringLiteral("Не удалось открыть протокол:\n") + QDir::toNativeSeparators(pdf));
}

void ProtocolsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  reload();
}
