#include "bench/TestEnd.h"

#include "bench/BenchControl.h"
#include "bench/OverloadCheck.h"
#include "bench/TestReport.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "operation/Commands.h"

QString protectionNotRestoredText() {
  return QStringLiteral("Значения защиты модуля не восстановлены");
}

bool ensureProtectionRestored(const BenchContext& ctx) {
  if (!ctx.state.overload.inModule) return true;
  return OverloadCheck(ctx).restoreBlockValues();
}

bool abortTest(const BenchContext& ctx, const QString& text, const QString& caption) {
  benchcontrol::resetBench(ctx);
  sendCommand(ctx.operation, command::kReset, command::kReset);
  // Before the box: the module must not wait with test values for the operator's OK.
  QString message = text;
  if (!ensureProtectionRestored(ctx)) message += '\n' + protectionNotRestoredText();
  ctx.link().flags.testRunning = false;
  const bool byOperator = text == QStringLiteral("Прервано пользователем");
  concludeRun(ctx, byOperator ? TestRecord::Outcome::Aborted : TestRecord::Outcome::Failed,
              message);
  ctx.verdicts.showMessage(caption, message, Prompter::Icon::Warning);
  ctx.link().status.setPollTimerActive(true);
  return true;
}

void concludeRun(const BenchContext& ctx, TestRecord::Outcome outcome, const QString& message) {
  TestRecord::Data run;
  if (!ctx.state.record.finish(ctx.state.now(), outcome, message, ctx.state.grid.rows(), &run))
    return;
  const QString path = TestReport::write(run, ctx.state.reportFile, ctx.tp.path());
  ctx.link().journal.append(QStringLiteral("Испытание завершено: %1. %2%3")
                                .arg(TestRecord::outcomeText(run.outcome),
                                     QString(message).replace('\n', ' '),
                                     path.isEmpty() ? QStringLiteral(". Протокол не сохранён")
                                                    : QStringLiteral(". Протокол: ") + path));
  if (ctx.state.onConcluded) ctx.state.onConcluded(path, run);
}
