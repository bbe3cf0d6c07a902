#include "operation/ui/LogTimePage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Prompter.h"
#include "core/ui/RussianInterface.h"
#include "link/RequestFlags.h"
#include "operation/EventLog.h"
#include "operation/ModuleClockState.h"

namespace {

const char* const kClockEditNames[] = {"EditYear", "EditMonth",  "EditDay",
                                       "EditHour", "EditMinute", "EditSecond"};

QTableWidgetItem* fixedItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

LogTimePage::LogTimePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheetLogTime"));
  // The clock keeps the width of its digits; the log table takes the rest.
  auto* right = new QVBoxLayout;
  right->addWidget(createClockDisplay());
  right->addWidget(createNewClockGroup());
  right->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(createLogGroup(), 1);
  layout->addLayout(right, 0);
}

LogTimePage::~LogTimePage() = default;

QWidget* LogTimePage::createLogGroup() {
  auto* group = new QGroupBox(QStringLiteral("Журнал"), this);
  group->setObjectName(QStringLiteral("GroupBoxLog"));
  keepLog_ = new QCheckBox(QStringLiteral("Вести журнал"), group);
  keepLog_->setObjectName(QStringLiteral("CheckBoxKeepLog"));
  unreadCounterText_ = new QLabel(group);
  unreadCounterText_->setObjectName(QStringLiteral("StaticText1"));
  readLog_ = new QPushButton(QStringLiteral("Прочитать записей:"), group);
  readLog_->setObjectName(QStringLiteral("ButtonReadLog"));
  readCount_ = new QLineEdit(group);
  readCount_->setObjectName(QStringLiteral("EditReadCount"));
  readCount_->setMaximumWidth(80);
  clear_ = new QPushButton(QStringLiteral("Очистить таблицу и обновить счетчик записей"), group);
  clear_->setObjectName(QStringLiteral("ButtonClear"));

  gridLog_ = new QTableWidget(EventLogState::kInitialRows - 1, EventLogState::kColumns, group);
  gridLog_->setObjectName(QStringLiteral("StringGridLog"));
  // Row 0 of the log is the header; the grid's rows are the log's rows from 1 on.
  QStringList header;
  for (const QString& text : EventLogState::header()) header << text;
  gridLog_->setHorizontalHeaderLabels(header);
  gridLog_->verticalHeader()->hide();
  gridLog_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gridLog_->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int c = 0; c < EventLogState::kColumns; ++c)
    gridLog_->setColumnWidth(c, EventLogState::kColumnWidths[size_t(c)]);
  saveLog_ = new QPushButton(QStringLiteral("Сохранить журнал..."), group);
  saveLog_->setObjectName(QStringLiteral("ButtonSaveLog"));

  auto* counterRow = new QHBoxLayout;
  counterRow->addWidget(new QLabel(QStringLiteral("Непрочитано записей в журнале: "), group));
  counterRow->addWidget(unreadCounterText_);
  counterRow->addStretch(1);
  auto* readRow = new QHBoxLayout;
  readRow->addWidget(readLog_);
  readRow->addWidget(readCount_);
  readRow->addStretch(1);
  auto* saveRow = new QHBoxLayout;
  saveRow->addWidget(saveLog_);
  saveRow->addStretch(1);
  saveRow->addWidget(clear_);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(keepLog_);
  layout->addLayout(counterRow);
  layout->addLayout(readRow);
  layout->addWidget(gridLog_, 1);
  layout->addLayout(saveRow);
  return group;
}

QString LogTimePage::clockFontFamily() {
  const QString crystal = QStringLiteral("Crystal");
  if (QFontDatabase::families().contains(crystal, Qt::CaseInsensitive)) return crystal;
  return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QWidget* LogTimePage::createClockDisplay() {
  auto* panel = new QGroupBox(QStringLiteral("Текущие дата и время"), this);
  panel->setObjectName(QStringLiteral("PanelClock"));
  panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  QFont digits(clockFontFamily());
  digits.setPixelSize(35);
  digits.setBold(true);
  digits.setStyleHint(QFont::Monospace);
  QPalette look = palette();
  look.setColor(QPalette::Base, Qt::black);
  look.setColor(QPalette::Text, QColor(0, 255, 0));
  auto* grid = new QGridLayout(panel);
  const QStringList captions = ModuleClockState::captions();
  for (int i = 0; i < ModuleClockState::kRows; ++i) {
    auto* edit = new QLineEdit(ModuleClockState::notShown(), panel);
    edit->setObjectName(QString::fromLatin1(kClockEditNames[i]));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setFont(digits);
    edit->setPalette(look);
    edit->setAlignment(Qt::AlignCenter);
    // Room for four digits of the year, two of the rest.
    const QFontMetrics metrics(digits);
    edit->setFixedWidth(
        metrics.horizontalAdvance(i == 0 ? QStringLiteral("0000") : QStringLiteral("00")) + 16);
    clockEdits_[size_t(i)] = edit;
    grid->addWidget(new QLabel(captions[i], panel), 0, i, Qt::AlignHCenter);
    grid->addWidget(edit, 1, i);
  }
  return panel;
}

QWidget* LogTimePage::createNewClockGroup() {
  auto* group = new QGroupBox(QStringLiteral("Новые дата и время"), this);
  group->setObjectName(QStringLiteral("GroupBox12"));
  gridTime_ = new QTableWidget(ModuleClockState::kRows, 2, group);
  gridTime_->setObjectName(QStringLiteral("StringGridTime"));
  gridTime_->horizontalHeader()->hide();
  gridTime_->verticalHeader()->hide();
  gridTime_->setColumnWidth(0, 90);
  gridTime_->setColumnWidth(1, 90);
  const QStringList captions = ModuleClockState::captions();
  for (int r = 0; r < ModuleClockState::kRows; ++r) {
    gridTime_->setItem(r, 0, fixedItem(captions[r]));
    auto* edit = new QLineEdit(gridTime_);
    edit->setObjectName(QStringLiteral("StringGridTimeValue%1").arg(r));
    edit->setFrame(false);
    gridTime_->setCellWidget(r, 1, edit);
    newValueEdits_[size_t(r)] = edit;
  }
  gridTime_->setFixedHeight(gridTime_->verticalHeader()->length() + 2 * gridTime_->frameWidth());
  gridTime_->setFixedWidth(180 + 2 * gridTime_->frameWidth());
  updateDT_ = new QCheckBox(QStringLiteral("Обновлять"), group);
  updateDT_->setObjectName(QStringLiteral("CheckBoxUpdateDT"));
  updateDT_->setChecked(true);
  setDateTime_ = new QPushButton(QStringLiteral("Записать"), group);
  setDateTime_->setObjectName(QStringLiteral("ButtonSetDateTime"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(updateDT_);
  buttons->addStretch(1);
  buttons->addWidget(setDateTime_);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(gridTime_);
  layout->addLayout(buttons);
  return group;
}

void LogTimePage::bind(const OperationContext& ctx, Post post, QPushButton* stopButton) {
  ctx_ = std::make_unique<OperationContext>(ctx);
  post_ = std::move(post);
  connectCore();
  if (stopButton) {
    connect(stopButton, &QPushButton::clicked, this, &LogTimePage::ButtonStopReadingLogClick);
    connect(&ctx_->state.log, &EventLogState::fetchingChanged, stopButton, &QWidget::setVisible,
            Qt::QueuedConnection);
  }
  ctx_->state.clock.updateFromPc = updateDT_->isChecked();
  showLogRows(1);
  showLogTexts();
  showKeepLog();
  showModuleClock();
  showNewValues();
}

void LogTimePage::connectCore() {
  EventLogState& log = ctx_->state.log;
  ModuleClockState& clock = ctx_->state.clock;
  connect(&log, &EventLogState::rowsChanged, this, &LogTimePage::showLogRows, Qt::QueuedConnection);
  connect(&log, &EventLogState::textsChanged, this, &LogTimePage::showLogTexts,
          Qt::QueuedConnection);
  connect(&log, &EventLogState::keepLogChanged, this, &LogTimePage::showKeepLog,
          Qt::QueuedConnection);
  connect(&clock, &ModuleClockState::displayChanged, this, &LogTimePage::showModuleClock,
          Qt::QueuedConnection);
  connect(&clock, &ModuleClockState::newValuesChanged, this, &LogTimePage::showNewValues,
          Qt::QueuedConnection);

  connect(keepLog_, &QCheckBox::clicked, this, &LogTimePage::CheckBoxKeepLogClick);
  connect(readCount_, &QLineEdit::textEdited, this,
          [this](const QString& text) { ctx_->state.log.storeReadCountText(text); });
  connect(readLog_, &QPushButton::clicked, this, &LogTimePage::ButtonReadLogClick);
  connect(clear_, &QPushButton::clicked, this, &LogTimePage::ButtonClearClick);
  connect(saveLog_, &QPushButton::clicked, this, &LogTimePage::ButtonSaveLogClick);
  connect(setDateTime_, &QPushButton::clicked, this, &LogTimePage::ButtonSetDateTimeClick);
  connect(updateDT_, &QCheckBox::toggled, this,
          [this](bool on) { ctx_->state.clock.updateFromPc = on; });
  for (int r = 0; r < ModuleClockState::kRows; ++r)
    connect(newValueEdits_[size_t(r)], &QLineEdit::textEdited, this,
            [this, r](const QString& text) { ctx_->state.clock.storeNewValue(r, text.trimmed()); });
}

void LogTimePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window restored from the task bar does not count as choosing the tab.
  if (event->spontaneous()) return;
  TabSheetLogTimeShow();
  emit shown();
}

void LogTimePage::TabSheetLogTimeShow() {
  if (ctx_) ctx_->link().requests.module[RequestFlags::LogTab] = true;
}

void LogTimePage::CheckBoxKeepLogClick(bool checked) {
  if (!ctx_ || !post_) return;
  const OperationContext ctx = *ctx_;
  post_([ctx, checked] { EventLog(ctx).keepLogClicked(checked); });
}

void LogTimePage::ButtonReadLogClick() {
  if (ctx_) ctx_->link().requests.module[RequestFlags::ReadLog] = true;
}

void LogTimePage::ButtonStopReadingLogClick() {
  if (ctx_) ctx_->state.log.stopRequest = true;
}

void LogTimePage::ButtonClearClick() {
  if (ctx_) ctx_->link().requests.module[RequestFlags::ClearLog] = true;
}

void LogTimePage::ButtonSetDateTimeClick() {
  if (ctx_) ctx_->link().requests.module[RequestFlags::SetClock] = true;
}

void LogTimePage::ButtonSaveLogClick() {
  if (!ctx_) return;
  const QString workingDirectory = QDir::currentPath();
  QFileDialog dialog(this, QStringLiteral("Сохранить журнал"), workingDirectory);
  // Not the platform's dialog: the same everywhere, and tests can answer it offscreen.
  dialog.setObjectName(QStringLiteral("SaveDialogLog"));
  prepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("Файлы CSV (*.csv)"));
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  QDir::setCurrent(workingDirectory);
  if (accepted) saveLogFile(dialog.selectedFiles().constFirst());
}

bool LogTimePage::saveLogFile(const QString& path) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(ctx_->state.log.toCsv()) >= 0 && file.commit())
    return true;
  ctx_->link().prompter.showMessage(
      QStringLiteral("Ошибка"),
      QStringLiteral("Не удалось сохранить журнал в файл %1: %2").arg(path, file.errorString()),
      Prompter::Icon::Error);
  return false;
}

void LogTimePage::showLogRows(int firstRow) {
  const EventLogState& log = ctx_->state.log;
  const int rows = log.rowCount();
  gridLog_->setRowCount(rows - 1);
  for (int r = std::max(1, firstRow); r < rows; ++r) {
    const EventLogState::Row cells = log.row(r);
    for (int c = 0; c < EventLogState::kColumns; ++c) {
      QTableWidgetItem* item = gridLog_->item(r - 1, c);
      if (!item) gridLog_->setItem(r - 1, c, item = fixedItem(QString()));
      item->setText(cells[size_t(c)]);
    }
  }
}

void LogTimePage::showLogTexts() {
  const EventLogState& log = ctx_->state.log;
  unreadCounterText_->setText(log.counterText());
  const QString count = log.readCountText();
  if (readCount_->text() != count) readCount_->setText(count);
}

void LogTimePage::showKeepLog() {
  const QSignalBlocker quiet(keepLog_);
  keepLog_->setChecked(ctx_->state.log.keepLog() > 0);
}

void LogTimePage::showModuleClock() {
  const QStringList texts = ctx_->state.clock.displayTexts();
  for (int i = 0; i < ModuleClockState::kRows; ++i) clockEdits_[size_t(i)]->setText(texts[i]);
}

void LogTimePage::showNewValues() {
  const QStringList values = ctx_->state.clock.newValues();
  for (int r = 0; r < ModuleClockState::kRows; ++r) {
    QLineEdit* edit = newValueEdits_[size_t(r)];
    if (edit->text() != values[r]) edit->setText(values[r]);
  }
}
