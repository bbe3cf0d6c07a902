#include "core/SettingsStore.h"

#include <QFile>
#include <QSaveFile>

#include "core/Cp1251.h"
#include "core/Numbers.h"
#include "core/Prompter.h"

namespace {
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// A value holds one line: a line break pasted into a field would otherwise start a key or a
// section of its own in the file ("5\n[connect]\nadr=0").
QString oneLine(QString text) {
  for (QChar& c : text)
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
  return text;
}
}  // namespace

SettingsStore::SettingsStore(QString path) : path_(std::move(path)) { load(); }

void SettingsStore::load() {
  sections_.clear();
  sections_.push_back(Section{});
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return;  // missing or unreadable: an empty document
  QByteArray bytes = file.readAll();
  bom_ = bytes.startsWith(kUtf8Bom);
  if (bom_) bytes.remove(0, kUtf8Bom.size());
  windows1251_ = !cp1251::isValidUtf8(bytes);
  const QString text = windows1251_ ? cp1251::decode(bytes) : QString::fromUtf8(bytes);
  lineEnd_ = text.contains(QLatin1String("\r\n")) || !text.contains(QLatin1Char('\n'))
                 ? QStringLiteral("\r\n")
                 : QStringLiteral("\n");

  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
      sections_.push_back(Section{trimmed.mid(1, trimmed.size() - 2).trimmed(), {}, line});
      continue;
    }
    Line entry{QString(), line};
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) entry.key = line.left(eq).trimmed();
    sections_.back().lines.push_back(entry);
  }
}

const SettingsStore::Line* SettingsStore::find(const QString& section, const QString& key) const {
  for (const Section& s : sections_) {
    if (s.name.isEmpty() || !sameName(s.name, section)) continue;
    for (const Line& line : s.lines)
      if (!line.key.isEmpty() && sameName(line.key, key)) return &line;
  }
  return nullptr;
}

SettingsStore::Section& SettingsStore::sectionFor(const QString& name) {
  for (Section& s : sections_)
    if (!s.name.isEmpty() && sameName(s.name, name)) return s;
  if (blankLineAfterNewSections_) {
    std::vector<Line>& last = sections_.back().lines;
    const bool emptyPreamble = sections_.size() == 1 && last.empty();
    if (!emptyPreamble && (last.empty() || !last.back().text.trimmed().isEmpty()))
      last.push_back(Line{});
  }
  sections_.push_back(Section{name, {}, QLatin1Char('[') + name + QLatin1Char(']')});
  if (blankLineAfterNewSections_) sections_.back().lines.push_back(Line{});
  return sections_.back();
}

int SettingsStore::readInteger(const QString& section, const QString& key, int defaultValue) const {
  const QString text = readString(section, key, QString());
  int value = defaultValue;
  return parseInteger(text, &value) ? value : defaultValue;
}

QString SettingsStore::readString(const QString& section, const QString& key,
                                  const QString& defaultValue) const {
  std::lock_guard lock(mutex_);
  const Line* line = find(section, key);
  if (!line) return defaultValue;
  return line->text.mid(line->text.indexOf(QLatin1Char('=')) + 1);
}

void SettingsStore::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void SettingsStore::writeString(const QString& section, const QString& key, const QString& value) {
  std::lock_guard lock(mutex_);
  const QString k = oneLine(key);
  const QString text = k + QLatin1Char('=') + oneLine(value);
  if (const Line* found = find(section, k)) {
    const_cast<Line*>(found)->text = text;
    return;
  }
  std::vector<Line>& lines = sectionFor(section).lines;
  // New keys go after the section's last entry, before any trailing blank lines.
  auto at = lines.end();
  while (at != lines.begin() && std::prev(at)->text.trimmed().isEmpty()) --at;
  lines.insert(at, Line{k, text});
}

QStringList SettingsStore::readSectionValues(const QString& section) const {
  std::lock_guard lock(mutex_);
  QStringList out;
  for (const Section& s : sections_) {
    if (s.name.isEmpty() || !sameName(s.name, section)) continue;
    for (const Line& line : s.lines)
      if (!line.key.isEmpty()) out << line.text;
  }
  return out;
}

QStringList SettingsStore::readSectionLines(const QString& section) const {
  std::lock_guard lock(mutex_);
  QStringList out;
  for (const Section& s : sections_) {
    if (s.name.isEmpty() || !sameName(s.name, section)) continue;
    for (const Line& line : s.lines) {
      const QString trimmed = line.text.trimmed();
      if (!trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char(';'))) out << line.text;
    }
  }
  return out;
}

bool SettingsStore::hasSection(const QString& section) const {
  std::lock_guard lock(mutex_);
  for (const Section& s : sections_)
    if (!s.name.isEmpty() && sameName(s.name, section)) return true;
  return false;
}

QStringList SettingsStore::sectionNames() const {
  std::lock_guard lock(mutex_);
  QStringList out;
  for (const Section& s : sections_)
    if (!s.name.isEmpty()) out << s.name;
  return out;
}

void SettingsStore::eraseSection(const QString& section) {
  std::lock_guard lock(mutex_);
  std::erase_if(sections_,
                [&](const Section& s) { return !s.name.isEmpty() && sameName(s.name, section); });
}

void SettingsStore::setBlankLineAfterNewSections(bool on) {
  std::lock_guard lock(mutex_);
  blankLineAfterNewSections_ = on;
}

bool SettingsStore::flush() {
  std::lock_guard lock(mutex_);
  QString text;
  for (const Section& s : sections_) {
    // Headers as they were read: a "[ ]" names no section, but its lines must not join the
    // section before it.
    if (!s.header.isEmpty()) text += s.header + lineEnd_;
    for (const Line& line : s.lines) text += line.text + lineEnd_;
  }
  QByteArray bytes = windows1251_ ? cp1251::encode(text) : text.toUtf8();
  if (bom_) bytes.prepend(kUtf8Bom);

  QSaveFile file(path_);
  // Unbuffered: QSaveFile's commit() renames the temporary file over the old one even when
  // writing out its buffer failed (a full disk), so an empty file would replace the old one.
  // Written straight through, every byte is checked before the commit.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, bytes) ||
      !file.commit()) {
    lastError_ = file.errorString();
    file.cancelWriting();
    return false;
  }
  lastError_.clear();
  return true;
}

bool SettingsStore::writeAll(QFileDevice& file, const QByteArray& bytes) {
  // A disk that fills up takes part of a write without an error; the next write says why.
  for (qint64 done = 0; done < bytes.size();) {
    const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

QString SettingsStore::lastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

QString SettingsStore::saveFailureText() const {
  return QStringLiteral("Не удалось сохранить файл настроек %1\n%2").arg(path(), lastError());
}

bool flushOrReport(SettingsStore& store, Prompter& prompter) {
  if (store.flush()) return true;
  prompter.showMessage(QStringLiteral("Ошибка"), store.saveFailureText(), Prompter::Icon::Error);
  return false;
}
