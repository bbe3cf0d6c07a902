#include "bench/ui/BenchUi.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "bench/BenchBus.h"
#include "bench/BenchKeys.h"
#include "bench/ReportArchive.h"
#include "bench/TestProtocol.h"
#include "bench/TestRunner.h"
#include "bench/ui/BenchToolBar.h"
#include "bench/ui/CurrentWindowsDialog.h"
#include "bench/ui/ProtocolsWindow.h"
#include "bench/ui/ResultGridView.h"
#include "bench/ui/TestPage.h"
#include "bench/ui/TestStepsDialog.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/RequestFlags.h"

namespace {

QStringList relayCaptions(const SettingsStore& tp) {
  QStringList captions;
  for (int k = 1; k <= BenchButtons::kRelays; ++k)
    captions << tp.readString(QStringLiteral("buttons_r4"), QStringLiteral("b%1").arg(k),
                              QString::number(k));
  return captions;
}

// How often the buttons look whether a test runs: the worker ends it without telling.
constexpr int kRunningWatchMs = 250;

}  // namespace

BenchUi::BenchUi(const BenchContext& ctx, TestPage* page, QToolBar* controlTabToolBar,
                 QWidget* window)
    : QObject(window), ctx_(ctx), page_(page) {
  const QStringList captions = relayCaptions(ctx_.tp);
  testTabBar_ = new BenchToolBar(page_->benchToolBar(), ctx_.state.testTabButtons, 5, 22, captions);
  controlTabBar_ =
      new BenchToolBar(controlTabToolBar, ctx_.state.controlTabButtons, 26, 39, captions);
  for (BenchToolBar* bar : {testTabBar_, controlTabBar_}) {
    connect(bar, &BenchToolBar::inputsClicked, this, &BenchUi::inputsClicked);
    connect(bar, &BenchToolBar::relaysClicked, this, &BenchUi::relaysClicked);
  }
  new ResultGridView(page_->stringGridTest(), ctx_.state.grid);
  connect(&ctx_.state.grid, &ResultGrid::stepProgressChanged, page_->stepProgress(),
          &QLabel::setText, Qt::QueuedConnection);
  currentWindow_ = new CurrentWindowsDialog(ctx_.tp, window);
  steps_ = new TestStepsDialog(window);
  protocols_ = new ProtocolsWindow(ReportArchive::folder(ctx_.tp.path()), window);
  // Every run of the window leaves its protocol as PDF beside its report.
  ctx_.state.writeProtocol = &TestProtocol::write;
  page_->editOperator()->setText(ctx_.tp.readString(benchkeys::kOperator));

  connect(page_, &TestPage::shown, this, &BenchUi::TabSheetTestShow);
  connect(page_->buttonStart(), &QPushButton::clicked, this, &BenchUi::ButtonStartClick);
  connect(page_->buttonStop(), &QPushButton::clicked, this, &BenchUi::ButtonStopClick);
  connect(page_->buttonReset(), &QPushButton::clicked, this, &BenchUi::ButtonResetClick);
  connect(page_->button24V(), &QPushButton::clicked, this, &BenchUi::Button24VClick);
  connect(page_->button220V(), &QPushButton::clicked, this, &BenchUi::Button220VClick);
  connect(page_->buttonCurrentWindow(), &QPushButton::clicked, this,
          &BenchUi::ButtonCurrentWindowClick);
  connect(page_->buttonSteps(), &QPushButton::clicked, this, &BenchUi::ButtonStepsClick);
  connect(page_->buttonProtocols(), &QPushButton::clicked, this, &BenchUi::ButtonProtocolsClick);
  connect(page_->checkBoxDiagByTest(), &QCheckBox::toggled, this,
          [this](bool on) { ctx_.operation.state.diagram.drawTestRuns = on; });
  connectSettings();

  runningWatch_ = new QTimer(this);
  runningWatch_->setInterval(kRunningWatchMs);
  connect(runningWatch_, &QTimer::timeout, this, &BenchUi::showRunning);
  runningWatch_->start();
  showRunning();
}

void BenchUi::connectSettings() {
  TestSettings& settings = ctx_.state.settings;
  for (int e = 0; e < TestSettings::EditCount; ++e)
    connect(page_->edit(TestSettings::Edit(e)), &QLineEdit::textEdited, this,
            [&settings, e](const QString& text) { settings.setText(TestSettings::Edit(e), text); });
  connect(page_->stringGridCodes(), &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) {
            if (showingSettings_) return;
            QTableWidget* grid = page_->stringGridCodes();
            const int row = item->row();
            const auto text = [&](int column) {
              const QTableWidgetItem* cell = grid->item(row, column);
              return cell ? cell->text() : QString();
            };
            ctx_.state.settings.setCode(row, {text(0), text(1)});
          });
  connect(&settings, &TestSettings::loaded, this, &BenchUi::showSettings, Qt::QueuedConnection);
}

void BenchUi::showSettings() {
  showingSettings_ = true;
  const TestSettings& settings = ctx_.state.settings;
  for (int e = 0; e < TestSettings::EditCount; ++e)
    page_->edit(TestSettings::Edit(e))->setText(settings.text(TestSettings::Edit(e)));
  const QVector<TestSettings::CodeRow> codes = settings.codes();
  QTableWidget* grid = page_->stringGridCodes();
  grid->setRowCount(int(codes.size()));
  for (int r = 0; r < codes.size(); ++r) {
    grid->setItem(r, 0, new QTableWidgetItem(codes[r].name));
    grid->setItem(r, 1, new QTableWidgetItem(codes[r].code));
  }
  showingSettings_ = false;
}

void BenchUi::showRunning() {
  const bool running = ctx_.link().flags.testRunning;
  page_->buttonStart()->setEnabled(!running);
  page_->buttonStop()->setEnabled(running);
  page_->editSerial()->setReadOnly(running);
  page_->editOperator()->setReadOnly(running);
}

void BenchUi::TabSheetTestShow() {
  ctx_.state.grid.setHeaders();
  // The settings shown are those of the run in progress; tp.ini gets them at its start.
  if (!ctx_.link().flags.testRunning) ctx_.state.settings.load(ctx_.tp);
  ctx_.link().requests.module[RequestFlags::InputMap] = true;
}

void BenchUi::ButtonStartClick() {
  if (TestRunner::startTest(ctx_, page_->editSerial()->text(), page_->editOperator()->text()))
    showRunning();
}

void BenchUi::ButtonStopClick() {
  TestRunner::stopTest(ctx_);
  showRunning();
}

void BenchUi::ButtonResetClick() { ctx_.link().requests.benchReset = true; }

void BenchUi::Button24VClick() { ctx_.link().requests.bench24V = true; }

void BenchUi::Button220VClick() { ctx_.link().requests.bench220V = true; }

void BenchUi::ButtonCurrentWindowClick() { currentWindow_->exec(); }

void BenchUi::ButtonStepsClick() {
  ctx_.link().status.setPollTimerActive(false);
  steps_->edit(ctx_.tp);
}

void BenchUi::ButtonProtocolsClick() {
  if (protocols_->isVisible()) protocols_->reload();
  protocols_->show();
  protocols_->raise();
  protocols_->activateWindow();
}

void BenchUi::inputsClicked(uint16_t pressed) {
  RequestFlags& r = ctx_.link().requests;
  r.r16OutputWord = BenchButtons::r16Word(pressed, ctx_.tp, BenchBus(ctx_).variant());
  r.r16Output = true;
}

void BenchUi::relaysClicked(uint8_t pressed) {
  RequestFlags& r = ctx_.link().requests;
  r.d8r4OutputWord = BenchButtons::d8r4Word(pressed);
  r.d8r4Output = true;
}
