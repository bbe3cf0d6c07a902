#include "app/ui/EnduranceRunHook.h"

#include <QAbstractButton>
#include <QApplication>
#include <algorithm>

#include "app/AppContext.h"
#include "app/ui/MainWindow.h"

namespace {
constexpr int kReadyCheckMs = 500;
}

EnduranceRunHook::EnduranceRunHook(MainWindow& form, std::FILE* out) : form_(form), out_(out) {
  ready_.setInterval(kReadyCheckMs);
  report_.setInterval(kReportMs);
  connect(&ready_, &QTimer::timeout, this, &EnduranceRunHook::startWhenReady);
  connect(&report_, &QTimer::timeout, this, &EnduranceRunHook::report);
}

void EnduranceRunHook::start() {
  // Queued from the worker: the counts are touched on the window's thread only.
  connect(&form_.core().status, &StatusLine::passDurationChanged, this,
          &EnduranceRunHook::passEnded, Qt::QueuedConnection);
  ready_.start();
}

void EnduranceRunHook::startWhenReady() {
  // The password dialog first; the module must be online for the cycle's first command.
  if (started_ || QApplication::activeModalWidget() || !form_.core().flags.moduleOnline) return;
  auto* drawing = form_.findChild<QAbstractButton*>(QStringLiteral("CheckBoxDiag"));
  auto* startCycles = form_.findChild<QAbstractButton*>(QStringLiteral("ButtonStartCycles"));
  if (!drawing || !startCycles || !startCycles->isEnabled()) return;
  started_ = true;
  ready_.stop();
  if (!drawing->isChecked()) drawing->click();
  startCycles->click();
  std::fputs("endurance-run started\n", out_);
  std::fflush(out_);
  sum_ = max_ = count_ = 0;
  report_.start();
}

void EnduranceRunHook::passEnded(int ms) {
  sum_ += ms;
  max_ = std::max(max_, ms);
  ++count_;
}

void EnduranceRunHook::report() {
  std::fprintf(out_, "pass-ms %.1f %d %d\n", count_ ? double(sum_) / count_ : 0.0, max_, count_);
  std::fflush(out_);
  sum_ = max_ = count_ = 0;
}
