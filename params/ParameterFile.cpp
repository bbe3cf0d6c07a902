#include "params/ParameterFile.h"

#include <QFile>
#include <QFileInfo>

#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "params/ParameterState.h"

namespace {

const QString kError = QStringLiteral("Ошибка");
const QString kVersionSection = QStringLiteral("version");
const QString kVersionKey = QStringLiteral("ver");
const QString kOutputsSection = QStringLiteral("do_settings");
const QString kAlarmKey = QStringLiteral("alarm");
const QString kPowerKey = QStringLiteral("power");
const QString kMissingCell = QStringLiteral("---");

QString rowKey(int row) { return QStringLiteral("n%1").arg(row + 1); }

// The journal keeps the failure on one line, as the box said it.
void reportError(const ParameterContext& ctx, const QString& text) {
  ctx.link.journal.append(QString(text).replace(QLatin1Char('\n'), QLatin1String(": ")));
  ctx.link.prompter.showMessage(kError, text, Prompter::Icon::Error);
}

// Opening tells apart a missing, unreadable or folder path from a readable file, which the
// settings store alone would all take for an empty document.
bool canRead(const QString& path, QString* why) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) return true;
  *why = file.errorString();
  return false;
}

}  // namespace

bool saveParameterFile(const ParameterContext& ctx, const QString& path) {
  QString why;
  // The other sections of an existing file must survive the save; one we cannot read would
  // be rewritten without them.
  if (QFileInfo::exists(path) && !QFileInfo(path).isDir() && !canRead(path, &why)) {
    reportError(ctx, QStringLiteral("Не удалось прочитать файл параметров %1\n%2").arg(path, why));
    return false;
  }
  SettingsStore file(path);
  file.setBlankLineAfterNewSections(true);
  const int version = ctx.link.flags.firmwareVersion;
  file.writeInteger(kVersionSection, kVersionKey, version);
  for (ParameterTables::Id id : kParameterFileTables) {
    const ParameterTables::Table table = ctx.tables().table(id);
    // Before the first identification the layout has no section names; there is nowhere to
    // put those rows.
    if (table.section.isEmpty()) continue;
    for (int row = 0; row < table.values.size(); ++row) {
      QString text = table.values[row];
      // A line break would end the line and could start a section of its own.
      text.replace(QLatin1Char('\r'), QLatin1Char(' '))
          .replace(QLatin1Char('\n'), QLatin1Char(' '));
      file.writeString(table.section, rowKey(row), text);
    }
  }
  if (firmware::hasOutputLogic(version)) {
    const ParameterTables::Choices c = ctx.tables().choices();
    file.writeInteger(kOutputsSection, kAlarmKey, c.alarmOn ? 1 : 0);
    file.writeInteger(kOutputsSection, kPowerKey, c.direct ? 1 : 0);
  }
  if (!file.flush()) {
    reportError(
        ctx,
        QStringLiteral("Не удалось сохранить файл параметров %1\n%2").arg(path, file.lastError()));
    return false;
  }
  ctx.link.journal.append(QStringLiteral("Параметры сохранены в файл %1").arg(path));
  return true;
}

bool readParameterFile(const ParameterContext& ctx, const QString& path, ParameterFileValues* out) {
  QString why;
  if (!canRead(path, &why)) {
    reportError(ctx, QStringLiteral("Не удалось открыть файл параметров %1\n%2").arg(path, why));
    return false;
  }
  const SettingsStore file(path);
  const int fileVersion = file.readInteger(kVersionSection, kVersionKey, 0);
  const int version = ctx.link.flags.firmwareVersion;
  if (fileVersion != version) {
    reportError(ctx, QStringLiteral("Версия файла параметров ") + QString::number(fileVersion) +
                         QStringLiteral(" не соответствует версии текущего подключенного блока ") +
                         QString::number(version));
    ctx.link.status.setPollTimerActive(true);
    return false;
  }
  const ParameterTables& tables = ctx.tables();
  for (size_t i = 0; i < kParameterFileTables.size(); ++i) {
    const ParameterTables::Id id = kParameterFileTables[i];
    const QString section = tables.table(id).section;
    const int rows = tables.rowCount(id);
    QStringList& values = out->values[i];
    values.clear();
    for (int row = 0; row < rows; ++row)
      values << file.readString(section, rowKey(row), kMissingCell);
  }
  out->alarmOn = file.readInteger(kOutputsSection, kAlarmKey, 0) != 0;
  out->direct = file.readInteger(kOutputsSection, kPowerKey, 0) != 0;
  return true;
}

bool loadParameterFile(const ParameterContext& ctx, const QString& path) {
  ParameterFileValues file;
  if (!readParameterFile(ctx, path, &file)) return false;
  ParameterTables& tables = ctx.tables();
  for (size_t i = 0; i < kParameterFileTables.size(); ++i) {
    const ParameterTables::Id id = kParameterFileTables[i];
    const QStringList& values = file.values[i];
    for (int row = 0; row < values.size(); ++row) tables.setCellText(id, row, values[row]);
    emit tables.valuesChanged(id);
  }
  if (firmware::hasOutputLogic(ctx.link.flags.firmwareVersion)) {
    tables.updateChoices([&](ParameterTables::Choices& c) {
      c.alarmOn = file.alarmOn;
      c.direct = file.direct;
    });
  }
  ctx.link.journal.append(QStringLiteral("Параметры загружены из файла %1").arg(path));
  return true;
}
