#include "params/ui/ParameterFileDialogs.h"

#include <QDir>
#include <QFileDialog>

#include "core/Prompter.h"
#include "core/StatusLine.h"
#include "core/ui/RussianInterface.h"
#include "params/ParameterFile.h"
#include "params/ParameterState.h"

namespace {

const QString kFilter = QStringLiteral("Текстовые файлы (*.txt)");

// Not the platform's dialog: the same everywhere, and tests can answer it offscreen.
void prepare(QFileDialog& dialog, const char* name, QFileDialog::AcceptMode mode) {
  dialog.setObjectName(QString::fromLatin1(name));
  prepareFileDialog(dialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  dialog.setNameFilter(kFilter);
}

// The file the user chose, or an empty text when the dialog was cancelled.
QString chosenFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.constFirst();
}

}  // namespace

bool saveParameterFileDialog(QWidget* parent, const ParameterContext& ctx) {
  ctx.link.status.setPollTimerActive(false);
  const QString workingDirectory = QDir::currentPath();
  QFileDialog dialog(parent, QString(), workingDirectory);
  // The dialog asks before overwriting the name as chosen; ".txt" is added after that.
  prepare(dialog, "SaveDialog1", QFileDialog::AcceptSave);
  const QString chosen = chosenFile(dialog);
  bool saved = false;
  if (!chosen.isEmpty()) {
    saved = saveParameterFile(ctx, chosen + QStringLiteral(".txt"));
    QDir::setCurrent(workingDirectory);
    if (saved)
      ctx.link.prompter.showMessage(QStringLiteral("OK"), QStringLiteral("Данные сохранены в файл"),
                                    Prompter::Icon::Information);
  }
  ctx.link.status.setPollTimerActive(true);
  return saved;
}

bool loadParameterFileDialog(QWidget* parent, const ParameterContext& ctx) {
  const QString workingDirectory = QDir::currentPath();
  ctx.link.status.setPollTimerActive(false);
  QFileDialog dialog(parent, QString(), workingDirectory);
  prepare(dialog, "OpenDialog1", QFileDialog::AcceptOpen);
  const QString chosen = chosenFile(dialog);
  bool loaded = false;
  if (!chosen.isEmpty()) {
    loaded = loadParameterFile(ctx, chosen);
    QDir::setCurrent(workingDirectory);
  }
  ctx.link.status.setPollTimerActive(true);
  return loaded;
}
