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
  const QStringList unsaved = concludeRun(
      ctx, byOperator ? TestRecord::Outcome::Aborted : TestRecord::Outcome::Failed, message);
  ctx.verdicts.showMessage(caption, (QStringList{message} + unsaved).join('\n'),
                           Prompter::Icon::Warning);
  ctx.link().status.setPollTimerActive(true);
  return true;
}

QStringList concludeRun(const BenchContext& ctx, TestRecord::Outcome outcome,
                        const QString& message) {
  TestRecord::Data run;
  if (!ctx.state.record.finish(ctx.state.now(), outcome, message, ctx.state.grid.rows(), &run))
    return {};
  const MotorTypeKeeper motorType(ctx);
  run.motorTypeFound = motorType.foundName();
  run.motorTypeLeft = motorType.leftName();
  // The CSV first, whatever becomes of the PDF: it is the record the history reads.
  const TestReport::SavedFile report = TestReport::write(run, ctx.state.reportFile, ctx.tp.path());
  QStringList saved;
  if (report.saved())
    saved << report.path;
  else
    run.unsaved << report.failure;
  if (ctx.state.writeProtocol) {
    const TestReport::SavedFile protocol =
        ctx.state.writeProtocol(run, TestReport::protocolPath(report.path));
    if (protocol.saved())
      saved << protocol.path;
    else
      run.unsaved << protocol.failure;
  }
  // The page no longer names a step of a run that is over: it says how the run ended.
  ctx.state.grid.endRun(
      (QStringList{QStringLiteral("Испытание завершено: ") + TestRecord::outcomeText(run.outcome)} +
       run.unsaved)
          .join(QStringLiteral(". ")));
  QStringList files = run.unsaved;
  if (!saved.isEmpty())
    files.prepend(QStringLiteral("Протокол: ") + saved.join(QStringLiteral(", ")));
  ctx.link().journal.append(QStringLiteral("Испытание завершено: %1. %2. %3")
                                .arg(TestRecord::outcomeText(run.outcome),
                                     QString(message).replace('\n', ' '),
                                     files.join(QStringLiteral(". "))));
  if (ctx.state.onConcluded) ctx.state.onConcluded(report.saved() ? report.path : QString(), run);
  return run.unsaved;
}
