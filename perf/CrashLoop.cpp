#include "perf/CrashLoop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <map>
#include <random>

#include "core/SettingsStore.h"
#include "params/ParameterTables.h"

namespace crashfiles {
namespace {

const QString kSection = QStringLiteral("crash");
const QString kPadding(380, QLatin1Char('x'));

QString value(int generation, int key) {
  return QStringLiteral("%1:%2:").arg(generation).arg(key) + kPadding;
}

}  // namespace

void fill(SettingsStore& store, int generation) {
  for (int k = 0; k < kKeys; ++k)
    store.writeString(kSection, QStringLiteral("k%1").arg(k), value(generation, k));
  store.writeInteger(kSection, QStringLiteral("end"), generation);
}

int generationOf(const SettingsStore& store) {
  if (!store.hasSection(kSection)) return 0;
  const int generation = store.readInteger(kSection, QStringLiteral("end"), -1);
  if (generation < 0) return -1;
  const QStringList lines = store.readSectionValues(kSection);
  if (lines.size() != kKeys + 1) return -1;
  for (int k = 0; k < kKeys; ++k)
    if (lines[k] != QStringLiteral("k%1=").arg(k) + value(generation, k)) return -1;
  return generation;
}

void fillTables(ParameterTables& tables, int generation) {
  for (ParameterTables::Id id :
       {ParameterTables::Inps, ParameterTables::Timers, ParameterTables::Actu})
    for (int row = 0; row < tables.rowCount(id); ++row)
      tables.setCellText(id, row, QString::number(generation));
}

int parameterFileGeneration(const QString& path) {
  if (!QFileInfo::exists(path)) return 0;
  const SettingsStore file(path);
  if (file.readInteger(QStringLiteral("version"), QStringLiteral("ver"), -1) < 0) return -1;
  int generation = -1;
  int rows = 0;
  for (const QString& section : file.sectionNames()) {
    if (section == QLatin1String("version") || section == QLatin1String("do_settings")) continue;
    for (const QString& line : file.readSectionValues(section)) {
      bool number = false;
      const int g = line.mid(line.indexOf('=') + 1).toInt(&number);
      if (!number || (generation >= 0 && g != generation)) return -1;
      generation = g;
      ++rows;
    }
  }
  return rows >= 3 ? generation : -1;
}

QString journalText(int generation, int line) {
  return QStringLiteral("crash %1 line %2 ").arg(generation).arg(line) + QString(200, '.');
}

}  // namespace crashfiles

QString crashWriterPath() { return QStringLiteral(TARVIX_CRASH_WRITER_PATH); }

void prepareCrashFolder(const QString& dir) {
  const QString path = QDir(dir).filePath(crashfiles::kStores[0]);
  if (QFileInfo::exists(path)) return;
  SettingsStore mem(path);
  mem.writeString(QStringLiteral("connect"), QStringLiteral("port"), QStringLiteral("COM1"));
  mem.flush();
}

namespace {

using crashfiles::kParameterFile;
using crashfiles::kStores;

QStringList watchedFiles() {
  return {kStores[0], kStores[1], kStores[2], kParameterFile, "tarvix.log", "tarvix.log.1"};
}

int generationOnDisk(const QString& dir, const QString& name) {
  const QString path = QDir(dir).filePath(name);
  if (name == QLatin1String(kParameterFile)) return crashfiles::parameterFileGeneration(path);
  if (!QFileInfo::exists(path)) return 0;
  return crashfiles::generationOf(SettingsStore(path));
}

// Every line whole and stamped; the child's lines as it wrote them; the last line it reported
// written is there.
QString journalProblem(const QString& dir, const QString& lastLogged, int* lines) {
  static const QRegularExpression stamped(
      QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (.+)$"));
  static const QRegularExpression crashLine(QStringLiteral("^crash (\\d+) line (\\d+) "));
  bool lastFound = lastLogged.isEmpty();
  *lines = 0;
  for (const char* name : {"tarvix.log.1", "tarvix.log"}) {
    QFile file(QDir(dir).filePath(name));
    if (!file.exists()) continue;
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("%1 unreadable").arg(name);
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) continue;
    if (!bytes.endsWith('\n')) return QStringLiteral("%1 ends inside a line").arg(name);
    const QList<QByteArray> all = bytes.left(bytes.size() - 1).split('\n');
    for (const QByteArray& raw : all) {
      ++*lines;
      const QRegularExpressionMatch m = stamped.match(QString::fromUtf8(raw));
      if (!m.hasMatch()) return QStringLiteral("%1: a line without its stamp").arg(name);
      const QString text = m.captured(1);
      const QRegularExpressionMatch c = crashLine.match(text);
      if (c.hasMatch() &&
          text != crashfiles::journalText(c.captured(1).toInt(), c.captured(2).toInt()))
        return QStringLiteral("%1: a damaged line").arg(name);
      if (text == lastLogged) lastFound = true;
    }
  }
  return lastFound ? QString() : QStringLiteral("tarvix.log lost a line the child had written");
}

}  // namespace

CrashLoopResult runCrashLoop(const QString& dir, int runs, uint32_t seed, int maxDelayMs) {
  CrashLoopResult result;
  std::mt19937 random(seed);
  prepareCrashFolder(dir);
  const QStringList files = {kStores[0], kStores[1], kStores[2], kParameterFile};
  std::map<QString, int> onDisk;
  for (const QString& f : files) onDisk[f] = generationOnDisk(dir, f);

  for (int run = 0; run < runs; ++run) {
    ++result.runs;
    QProcess child;
    child.start(crashWriterPath(), {dir});
    QByteArray out;
    while (!out.contains("ready\n") && child.waitForReadyRead(20000)) out += child.readAll();
    if (!out.contains("ready\n")) {
      result.problems << QStringLiteral("run %1: the child did not start").arg(run);
      child.kill();
      child.waitForFinished();
      continue;
    }
    const auto killAt = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(random() % uint32_t(maxDelayMs + 1));
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            killAt - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      if (child.waitForReadyRead(int(left))) out += child.readAll();
    }
    child.kill();  // SIGKILL
    child.waitForFinished(10000);
    out += child.readAll();

    // What the child had begun and finished, per file, and where it was when it died.
    std::map<QString, int> begun, done;
    QString lastLogged;
    QString lastLine;
    for (const QByteArray& raw : out.split('\n')) {
      const QStringList w = QString::fromUtf8(raw).split(' ');
      if (w.size() == 3 && w[0] == QLatin1String("begin")) begun[w[1]] = w[2].toInt();
      if (w.size() == 3 && w[0] == QLatin1String("done")) done[w[1]] = w[2].toInt();
      if (w.size() == 3 && w[0] == QLatin1String("logged"))
        lastLogged = crashfiles::journalText(w[1].toInt(), w[2].toInt());
      if (!raw.isEmpty()) lastLine = QString::fromUtf8(raw);
    }
    int moment = CrashLoopResult::Between;
    if (lastLine.startsWith(QLatin1String("begin "))) {
      const QString f = lastLine.split(' ').value(1);
      moment = f == QLatin1String(kParameterFile) ? CrashLoopResult::Params : int(files.indexOf(f));
    } else if (lastLine.startsWith(QLatin1String("logged ")) ||
               lastLine.startsWith(QLatin1String("done params.txt"))) {
      moment = CrashLoopResult::Journal;
    }
    ++result.killedWhile[size_t(moment)];

    QStringList problems;
    for (const QString& f : files) {
      const QString path = QDir(dir).filePath(f);
      if (QFileInfo::exists(path) && QFileInfo(path).size() == 0)
        problems << f + QStringLiteral(" is empty");
      const int g = generationOnDisk(dir, f);
      const int old = done.count(f) ? done[f] : onDisk[f];
      const bool writing = begun.count(f) && (!done.count(f) || begun[f] > done[f]);
      if (g != old && !(writing && g == begun[f]))
        problems << QStringLiteral("%1 holds generation %2; old %3, new %4")
                        .arg(f)
                        .arg(g)
                        .arg(old)
                        .arg(writing ? begun[f] : old);
      onDisk[f] = g;
    }
    const QString journal = journalProblem(dir, lastLogged, &result.journalLines);
    if (!journal.isEmpty()) problems << journal;
    if (problems.isEmpty())
      ++result.intactRuns;
    else if (result.problems.size() < 10)
      result.problems << QStringLiteral("run %1: ").arg(run) + problems.join(QStringLiteral("; "));
  }
  const QStringList expected = watchedFiles();
  for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
    if (!expected.contains(name) && name != QLatin1String("trv102.txt")) ++result.leftoverFiles;
  return result;
}

FailedWriteResult writeOnceAndCheck(const QString& dir, long fileSizeLimit) {
  FailedWriteResult result;
  prepareCrashFolder(dir);
  std::map<QString, QByteArray> before;
  for (const QString& name : watchedFiles()) {
    QFile file(QDir(dir).filePath(name));
    if (file.open(QIODevice::ReadOnly)) before[name] = file.readAll();
  }
  QStringList args = {dir, QStringLiteral("--once")};
  if (fileSizeLimit >= 0) args << QStringLiteral("--fsize") << QString::number(fileSizeLimit);
  QProcess child;
  child.start(crashWriterPath(), args);
  child.waitForFinished(60000);
  result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  QStringList done;
  for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
    if (line.startsWith("box ")) result.boxes << QString::fromUtf8(line.mid(4));
    if (line.startsWith("done ")) done << QString::fromUtf8(line.split(' ').value(1));
  }
  for (const char* name : {kStores[0], kStores[1], kStores[2], kParameterFile}) {
    QFile file(QDir(dir).filePath(name));
    const QByteArray now = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const QString path = QDir(dir).filePath(name);
    const bool told = std::any_of(result.boxes.begin(), result.boxes.end(), [&](const QString& b) {
      return b.startsWith(QStringLiteral("Ошибка: ")) && b.contains(path);
    });
    if (told && !done.contains(name) && now == before[name])
      ++result.failedKept;
    else if (!told && done.contains(name) && generationOnDisk(dir, name) > 0)
      ++result.writtenWhole;
    else
      result.wrong << QString::fromLatin1(name);
  }
  return result;
}
