#include "params/ParameterFile.h"

#include <QFile>
#include <QFileInfo>

#include "app/AppCore.h"
#include "link/Prompter.h"

namespace {

const QString kError = QStringLiteral("Ошибка");
const QString kVersionSection = QStringLiteral("version");
const QString kVersionKey = QStringLiteral("ver");
const QString kOutputsSection = QStringLiteral("do_settings");
const QString kAlarmKey = QStringLiteral("alarm");
const QString kPowerKey = QStringLiteral("power");
const QString kMissingCell = QStringLiteral("---");

constexpr ParamTables::Id kFileTables[] = {ParamTables::Inps, ParamTables::Timers,
                                           ParamTables::Actu};

QString rowKey(int row) { return QStringLiteral("n%1").arg(row + 1); }

void reportError(AppCore& core, const QString& text) {
  core.prompter.showMessage(kError, text, Prompter::Icon::Error);
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

bool saveParameterFile(AppCore& core, const QString& path) {
  QString why;
  // The other sections of an existing file must survive the save; one we cannot read would
  // be rewritten without them.
  if (QFileInfo::exists(path) && !QFileInfo(path).isDir() && !canRead(path, &why)) {
    reportError(core, QStringLiteral("Не удалось прочитать файл параметров %1\n%2").arg(path, why));
    return false;
  }
  SettingsStore file(path);
  file.setBlankLineAfterNewSections(true);
  const int version = core.flags.firmwareVersion;
  file.writeInteger(kVersionSection, kVersionKey, version);
  for (ParamTables::Id id : kFileTables) {
    const ParamTables::Table table = core.tables.table(id);
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
    const ParamTables::Choices c = core.tables.choices();
    file.writeInteger(kOutputsSection, kAlarmKey, c.alarmOn ? 1 : 0);
    file.writeInteger(kOutputsSection, kPowerKey, c.direct ? 1 : 0);
  }
  if (!file.flush()) {
    reportError(
        core,
        QStringLiteral("Не удалось сохранить файл параметров %1\n%2").arg(path, file.lastError()));
    return false;
  }
  return true;
}

bool loadParameterFile(AppCore& core, const QString& path) {
  QString why;
  if (!canRead(path, &why)) {
    reportError(core, QStringLiteral("Не удалось открыть файл параметров %1\n%2").arg(path, why));
    return false;
  }
  const SettingsStore file(path);
  const int fileVersion = file.readInteger(kVersionSection, kVersionKey, 0);
  const int version = core.flags.firmwareVersion;
  if (fileVersion != version) {
    reportError(core, QStringLiteral("Версия файла параметров ") + QString::number(fileVersion) +
                          QStringLiteral(" не соответствует версии текущего подключенного блока ") +
                          QString::number(version));
    core.status.setPollTimerActive(true);
    return false;
  }
  ParamTables& tables = core.tables;
  for (ParamTables::Id id : kFileTables) {
    const QString section = tables.table(id).section;
    const int rows = tables.rowCount(id);
    for (int row = 0; row < rows; ++row)
      tables.setCellText(id, row, file.readString(section, rowKey(row), kMissingCell));
    emit tables.valuesChanged(id);
  }
  if (firmware::hasOutputLogic(version)) {
    const bool alarmOn = file.readInteger(kOutputsSection, kAlarmKey, 0) != 0;
    const bool direct = file.readInteger(kOutputsSection, kPowerKey, 0) != 0;
    tables.updateChoices([&](ParamTables::Choices& c) {
      c.alarmOn = alarmOn;
      c.direct = direct;
    });
  }
  return true;
}
