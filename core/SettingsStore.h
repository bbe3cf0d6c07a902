#pragma once

#include <QString>
#include <QStringList>
#include <mutex>
#include <vector>

#include "core/SettingKey.h"

class QFileDevice;

// One INI file held whole in memory. Reads and writes touch the memory copy only; flush()
// rewrites the whole file. Section and key names match without regard to case, as in the
// Windows INI files the module's engineers already have. Safe for use from two threads.
//
// Encoding: a file whose bytes are valid UTF-8 (a BOM is allowed) is read as UTF-8, any other
// as Windows-1251; flush() writes the encoding, BOM and line ends the file had (new files:
// UTF-8, CRLF).
class SettingsStore {
 public:
  explicit SettingsStore(QString path);

  int readInteger(const QString& section, const QString& key, int defaultValue) const;
  QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
  void writeInteger(const QString& section, const QString& key, int value);
  void writeString(const QString& section, const QString& key, const QString& value);
  // The same through a key of the tables, with its own default.
  int readInteger(const SettingKey& key) const {
    return readInteger(QLatin1String(key.section), QLatin1String(key.key), key.defaultValue());
  }
  QString readString(const SettingKey& key) const {
    return readString(QLatin1String(key.section), QLatin1String(key.key),
                      QString::fromUtf8(key.defaultText));
  }
  void writeInteger(const SettingKey& key, int value) {
    writeInteger(QLatin1String(key.section), QLatin1String(key.key), value);
  }
  void writeString(const SettingKey& key, const QString& value) {
    writeString(QLatin1String(key.section), QLatin1String(key.key), value);
  }
  // The section's key=value lines, in file order.
  QStringList readSectionValues(const QString& section) const;
  // Every line of the section that is not empty and no comment (";"), whole and in file
  // order: the text lists (control states, commands, log codes), with or without "=".
  QStringList readSectionLines(const QString& section) const;
  bool hasSection(const QString& section) const;
  QStringList sectionNames() const;
  void eraseSection(const QString& section);
  // Sections created from now on end with an empty line, and the section before a new one is
  // given one if it lacks it: the layout of the parameter files (mem.ini keeps the plain one).
  void setBlankLineAfterNewSections(bool on);

  // Replaces the file atomically; on failure the old file stays as it was and lastError()
  // says why.
  bool flush();
  QString lastError() const;
  // "Не удалось сохранить файл настроек <path>" and why, after a failed flush.
  QString saveFailureText() const;
  const QString& path() const { return path_; }

 private:
  struct Line {
    QString key;   // empty for comments and blank lines
    QString text;  // the whole line as read or written
  };
  struct Section {
    QString name;  // empty for lines before the first section header (and for "[ ]")
    std::vector<Line> lines;
    QString header;  // the header line as read or made; empty for the lines before the first
  };

  void load();
  static bool writeAll(QFileDevice& file, const QByteArray& bytes);
  const Line* find(const QString& section, const QString& key) const;
  Section& sectionFor(const QString& name);

  QString path_;
  mutable std::mutex mutex_;
  std::vector<Section> sections_;
  bool windows1251_ = false;
  bool bom_ = false;
  bool blankLineAfterNewSections_ = false;
  QString lineEnd_ = QStringLiteral("\r\n");
  QString lastError_;
};

class Prompter;
// Flushes the store; a failure is told to the user (titled "Ошибка") and gives false.
bool flushOrReport(SettingsStore& store, Prompter& prompter);
