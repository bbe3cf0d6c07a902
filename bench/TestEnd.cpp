#include "bench/TestEnd.h"

#include "bench/BenchControl.h"
#include "bench/MotorTypeKeeper.h"
#include "bench/OverloadCheck.h"
#include "bench/TestReport.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "operation/Commands.h"

QStringList restoreUnit(const BenchContext& ctx) {
  QStringList lines;
  if (ctx.state.overload.inModule && !OverloadCheck(ctx).restoreBlockValues())
    lines << QStringLiteral("Значения защиты модуля не восстановлены");
  MotorTypeKeeper motorType(ctx);
  if (!motorType.restore()) lines << motorType.notRestoredText();
  return lines;
}

bool abortTest(const BenchContext& ctx, const QString& text, const QString& caption) {
  benchcontrol::resetBench(ctx);
  sendCommand(ctx.operation, command::kReset, command::kReset);
  // Before the box: the module must not wait with test values for the operator's OK.
  const QStringList notRestored = restoreUnit(ctx);
  const QString message = (QStringList{text} + notRestored).join('\n');
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
  const MotorTypeKeeper motorType(ctx);
  run.motorTypeFound = motorType.foundName();
  run.motorTypeLeft = motorType.leftName();
  // The page no longer names a step of a run that is over: it says how the run ended.
  ctx.state.grid.endRun(QStringLiteral("Испытание завершено: ") +
                        TestRecord::outcomeText(run.outcome));
  const QString path = TestReport::write(run, ctx.state.reportFile, ctx.tp.path());
  ctx.link().journal.append(QStringLiteral("Испытание завершено: %1. %2%3")
                                .arg(TestRecord::outcomeText(run.outcome),
                                     QString(message).replace('\n', ' '),
                                     path.isEmpty() ? QStringLiteral(". Протокол не сохранён")
                                                    : QStringLiteral(". Протокол: ") + path));
  if (ctx.state.onConcluded) ctx.state.onConcluded(path, run);
}
