#include "params/ui/ParameterComparisonAction.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>

#include "core/Prompter.h"
#include "core/StatusLine.h"
#include "core/ui/RussianInterface.h"
#include "link/LinkFlags.h"
#include "link/RequestFlags.h"
#include "params/ui/ParameterComparisonDialog.h"

ParameterComparisonAction::ParameterComparisonAction(QWidget* window, const ParameterContext& ctx,
                                                     QPushButton* button)
    : QObject(window), window_(window), ctx_(ctx) {
  connect(button, &QPushButton::clicked, this,
          &ParameterComparisonAction::ButtonCompareProfileClick);
  connect(&ctx_.link.requests, &RequestFlags::served, this, &ParameterComparisonAction::served,
          Qt::QueuedConnection);
}

void ParameterComparisonAction::ButtonCompareProfileClick() {
  const QString workingDirectory = QDir::currentPath();
  ctx_.link.status.setPollTimerActive(false);
  QFileDialog dialog(window_, QString(), workingDirectory);
  dialog.setObjectName(QStringLiteral("OpenDialogCompare"));
  prepareFileDialog(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Текстовые файлы (*.txt)"));
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  QDir::setCurrent(workingDirectory);
  ctx_.link.status.setPollTimerActive(true);
  if (!chosen) return;
  ctx_.state.comparison.setFile(dialog.selectedFiles().constFirst());
  ctx_.link.requests.module[RequestFlags::CompareWithFile] = true;
}

void ParameterComparisonAction::served(int request, bool ok) {
  if (request != RequestFlags::CompareWithFile) return;
  if (ok) {
    showDifferences();
  } else if (!ctx_.link.flags.moduleOnline) {
    // A refused file has had its box; a failed read would only change the status line.
    ctx_.link.prompter.showMessage(QStringLiteral("Ошибка"),
                                   ctx_.link.status.text(StatusLine::Link), Prompter::Icon::Error);
  }
}

void ParameterComparisonAction::showDifferences() {
  const ParameterDifferences found = ctx_.state.comparison.found();
  const ParameterTables& t = ctx_.tables();
  const int unwritten = t.unwrittenRows(ParameterTables::Inps) +
                        t.unwrittenRows(ParameterTables::Timers) +
                        t.unwrittenRows(ParameterTables::Actu);
  ParameterComparisonDialog dialog(ctx_.state.comparison.file(), found, unwritten, window_);
  if (dialog.exec() != QDialog::Accepted || found.isEmpty()) return;
  ctx_.state.comparison.setToWrite(found);
  ctx_.link.requests.module[RequestFlags::WriteDifferences] = true;
}
