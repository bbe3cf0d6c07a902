#include "link/ui/ModuleScanWindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "link/LinkFlags.h"
#include "link/LinkKeys.h"

namespace {

const char* const kRates[] = {"9600", "19200", "38400", "57600", "115200"};

QString parityText(int parity) {
  return parity == 1   ? QStringLiteral("чет(even)")
         : parity == 2 ? QStringLiteral("нечет(odd)")
                       : QStringLiteral("нет");
}

QString leftText(uint32_t ms) {
  const uint32_t s = (ms + 999) / 1000;
  return s >= 60 ? QStringLiteral("осталось около %1 мин %2 с").arg(s / 60).arg(s % 60)
                 : QStringLiteral("осталось около %1 с").arg(s);
}

}  // namespace

ModuleScanWindow::ModuleScanWindow(const LinkContext& link, Post post, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), post_(std::move(post)) {
  setObjectName(QStringLiteral("FormScan"));
  setWindowTitle(QStringLiteral("Поиск модулей"));
  auto* layout = new QVBoxLayout(this);

  auto* plan = new QGroupBox(QStringLiteral("Что перебирать"), this);
  auto* grid = new QGridLayout(plan);
  first_ = new QSpinBox(plan);
  last_ = new QSpinBox(plan);
  for (QSpinBox* box : {first_, last_}) box->setRange(1, 247);
  first_->setValue(1);
  last_->setValue(247);
  grid->addWidget(new QLabel(QStringLiteral("Адреса с"), plan), 0, 0);
  grid->addWidget(first_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("по"), plan), 0, 2);
  grid->addWidget(last_, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Скорости, бит/с"), plan), 1, 0);
  auto* rates = new QHBoxLayout;
  for (const char* rate : kRates) {
    auto* box = new QCheckBox(QString::fromLatin1(rate), plan);
    box->setChecked(true);
    speeds_.push_back(box);
    rates->addWidget(box);
  }
  grid->addLayout(rates, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Паритет и стоп-биты: все варианты; текущие "
                                            "настройки связи пробуются первыми"),
                             plan),
                  2, 0, 1, 4);
  layout->addWidget(plan);

  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton(QStringLiteral("Начать поиск"), this);
  stop_ = new QPushButton(QStringLiteral("Стоп"), this);
  use_ = new QPushButton(QStringLiteral("Использовать"), this);
  use_->setToolTip(
      QStringLiteral("Записать адрес и настройки связи выбранного модуля в "
                     "настройки связи программы"));
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  buttons->addStretch();
  buttons->addWidget(use_);
  layout->addLayout(buttons);

  progress_ = new QProgressBar(this);
  progress_->setFormat(QStringLiteral("%v из %m"));
  progress_->setValue(0);
  layout->addWidget(progress_);
  state_ = new QLabel(this);
  state_->setWordWrap(true);
  layout->addWidget(state_);
  refused_ = new QLabel(this);
  refused_->setWordWrap(true);
  refused_->setStyleSheet(QStringLiteral("color: darkred"));
  refused_->hide();
  layout->addWidget(refused_);

  table_ = new QTableWidget(0, 6, this);
  table_->setHorizontalHeaderLabels({QStringLiteral("Адрес"), QStringLiteral("Скорость"),
                                     QStringLiteral("Паритет"), QStringLiteral("Стоп-биты"),
                                     QStringLiteral("Версия"), QStringLiteral("Логика")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);

  connect(start_, &QPushButton::clicked, this, &ModuleScanWindow::start);
  connect(stop_, &QPushButton::clicked, this, &ModuleScanWindow::stop);
  connect(use_, &QPushButton::clicked, this, &ModuleScanWindow::useSelected);
  connect(table_, &QTableWidget::itemSelectionChanged, this,
          [this] { use_->setEnabled(!running_ && !table_->selectedItems().isEmpty()); });
  setRunning(false);
  resize(640, 480);
}

ModuleScanWindow::~ModuleScanWindow() {
  if (shared_) shared_->stop = true;
}

void ModuleScanWindow::setRunning(bool running) {
  running_ = running;
  start_->setEnabled(!running);
  stop_->setEnabled(running);
  use_->setEnabled(!running && !table_->selectedItems().isEmpty());
  first_->setEnabled(!running);
  last_->setEnabled(!running);
  for (QCheckBox* box : speeds_) box->setEnabled(!running);
}

void ModuleScanWindow::start() {
  if (running_) return;
  ScanPlan plan;
  plan.firstAddress = std::min(first_->value(), last_->value());
  plan.lastAddress = std::max(first_->value(), last_->value());
  plan.speeds.clear();
  for (size_t i = 0; i < speeds_.size(); ++i)
    if (speeds_[i]->isChecked()) plan.speeds.push_back(int(i));
  if (plan.speeds.empty()) {
    state_->setText(QStringLiteral("Отметьте хотя бы одну скорость"));
    return;
  }
  found_.clear();
  table_->setRowCount(0);
  refused_->clear();
  refused_->hide();
  progress_->setRange(0, 1);
  progress_->setValue(0);
  state_->setText(QStringLiteral("Ожидание порта: поиск начнётся, когда порт будет открыт"));
  shared_ = std::make_shared<Shared>();
  setRunning(true);

  // The job runs on the worker; what it finds comes back queued to the window's thread (the
  // application object lives there, longer than any job), and reaches this window only while it
  // exists.
  const std::shared_ptr<Shared> shared = shared_;
  const LinkContext link = link_;
  const QPointer<ModuleScanWindow> window(this);
  post_([shared, link, plan, window] {
    if (shared->begun.exchange(true)) return;  // stopped before it began
    const auto toWindow = [window](std::function<void(ModuleScanWindow&)> f) {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(),
          [window, f = std::move(f)] {
            if (window) f(*window);
          },
          Qt::QueuedConnection);
    };
    ModuleScan::Listener listener;
    listener.setting = [toWindow](const ScanSetting& s, int done, int total, uint32_t leftMs) {
      toWindow([s, done, total, leftMs](ModuleScanWindow& w) {
        w.state_->setText(QStringLiteral("Пробуются %1 бит/с, паритет %2, стоп-битов %3")
                              .arg(s.baud())
                              .arg(parityText(s.parity))
                              .arg(s.stopBitCount()));
        w.showProgress(done, total, leftMs);
      });
    };
    listener.progress = [toWindow](int done, int total, uint32_t leftMs) {
      toWindow([done, total, leftMs](ModuleScanWindow& w) { w.showProgress(done, total, leftMs); });
    };
    listener.found = [toWindow](const FoundModule& m) {
      toWindow([m](ModuleScanWindow& w) { w.addFound(m); });
    };
    listener.refused = [toWindow](const ScanSetting& s, const QString& why) {
      toWindow([s, why](ModuleScanWindow& w) {
        w.refused_->setText(w.refused_->text() +
                            QStringLiteral("Порт не принял %1 бит/с, паритет %2, стоп-битов %3: "
                                           "%4\n")
                                .arg(s.baud())
                                .arg(parityText(s.parity))
                                .arg(s.stopBitCount())
                                .arg(why));
        w.refused_->show();
      });
    };
    listener.addressesOnly = [toWindow] {
      toWindow([](ModuleScanWindow& w) {
        w.refused_->setText(
            QStringLiteral("Скорость, паритет и стоп-биты сервера "
                           "последовательных портов задаются в нём самом: "
                           "перебираются только адреса\n"));
        w.refused_->show();
      });
    };
    const ModuleScan::Outcome outcome =
        ModuleScan(link).run(plan, listener, [shared] { return shared->stop.load(); });
    toWindow([outcome](ModuleScanWindow& w) { w.finished(outcome); });
  });
}

void ModuleScanWindow::stop() {
  if (!shared_) return;
  shared_->stop = true;
  // A search still waiting for the port (it never opened) ends here; one that runs ends with
  // the job's own report.
  if (running_ && !shared_->begun.exchange(true)) finished(ModuleScan::Outcome::Stopped);
}

void ModuleScanWindow::showProgress(int done, int total, uint32_t leftMs) {
  progress_->setRange(0, std::max(1, total));
  progress_->setValue(done);
  progress_->setFormat(QStringLiteral("%v из %m, ") + leftText(leftMs));
}

void ModuleScanWindow::addFound(const FoundModule& m) {
  found_.push_back(m);
  const int row = table_->rowCount();
  table_->insertRow(row);
  const QString version = !m.firmware ? QStringLiteral("—")
                          : m.revision != 0
                              ? QStringLiteral("%1.%2").arg(*m.firmware).arg(m.revision)
                              : QString::number(*m.firmware);
  const QString cells[] = {QString::number(m.address),
                           QString::number(m.setting.baud()),
                           parityText(m.setting.parity),
                           QString::number(m.setting.stopBitCount()),
                           version,
                           m.logic ? QString::number(*m.logic) : QStringLiteral("—")};
  for (int c = 0; c < 6; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
  if (row == 0) table_->selectRow(0);
}

void ModuleScanWindow::finished(ModuleScan::Outcome outcome) {
  setRunning(false);
  const QString count = QStringLiteral("найдено модулей: %1").arg(found_.size());
  switch (outcome) {
    case ModuleScan::Outcome::Finished:
      progress_->setValue(progress_->maximum());
      progress_->setFormat(QStringLiteral("%v из %m"));
      state_->setText(QStringLiteral("Поиск закончен, ") + count);
      break;
    case ModuleScan::Outcome::Stopped:
      progress_->setFormat(QStringLiteral("%v из %m"));
      state_->setText(QStringLiteral("Поиск остановлен, ") + count);
      break;
    case ModuleScan::Outcome::PortFailed:
      state_->setText(QStringLiteral("Нет связи с портом, ") + count);
      break;
  }
}

bool ModuleScanWindow::useSelected() {
  const QList<QTableWidgetItem*> items = table_->selectedItems();
  if (running_ || items.isEmpty()) return false;
  const int row = items.first()->row();
  if (row < 0 || size_t(row) >= found_.size()) return false;
  const FoundModule& m = found_[size_t(row)];
  using namespace linkkeys;
  link_.mem.writeInteger(kAddress, m.address);
  link_.mem.writeInteger(kSpeed, m.setting.speed);
  link_.mem.writeInteger(kParity, m.setting.parity);
  link_.mem.writeInteger(kStopBits, m.setting.stopBits);
  link_.journal.append(QStringLiteral("Параметры связи программы из поиска модулей: адрес %1, "
                                      "скорость %2, чётность %3, стоп-биты %4")
                           .arg(m.address)
                           .arg(m.setting.baud())
                           .arg(parityText(m.setting.parity))
                           .arg(m.setting.stopBitCount()));
  flushOrReport(link_.mem, link_.prompter);
  link_.flags.portReopenRequest = true;
  state_->setText(QStringLiteral("Модуль %1 (%2 бит/с) используется программой")
                      .arg(m.address)
                      .arg(m.setting.baud()));
  return true;
}
