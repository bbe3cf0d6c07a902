#include "perf/FileFuzz.h"

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <random>

#include "core/Prompter.h"
#include "params/ParameterFile.h"
#include "params/ParameterSession.h"
#include "params/TableTransfer.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"

namespace {

class QuietPrompter : public Prompter {
 public:
  void showMessage(const QString&, const QString&, Icon) override {}
  bool confirm(const QString&, const QString&) override { return false; }
};

constexpr int kMegabyte = 1 << 20;
constexpr ParameterTables::Id kFileTables[] = {ParameterTables::Inps, ParameterTables::Timers,
                                               ParameterTables::Actu};

// Pieces of text in the encodings the files come in, and bytes that are no text at all.
class Texts {
 public:
  explicit Texts(uint32_t seed) : random_(seed) {}

  uint32_t next(uint32_t below) { return below ? uint32_t(random_() % below) : 0; }
  bool chance(uint32_t inN) { return next(inN) == 0; }

  QByteArray piece() {
    static const char* const kUtf8[] = {"Вход", "ОШИБКА", "Таймер", "ёЁ", "№", "«»", "—", "€"};
    static const char* const kCp1251[] = {"\xC2\xF5\xEE\xE4",
                                          "\xD2\xE0\xE9\xEC\xE5\xF0",
                                          "\xB8\xA8",
                                          "\xB9",
                                          "\xAB\xBB",
                                          "\x97",
                                          "\x98"};
    static const char* const kAscii[] = {"n1", "42", "-7", "0x10", "1e3", " ",    "=",
                                         ";",  "[",  "]",  "abc",  "\t",  "65536"};
    switch (next(5)) {
      case 0:
        return kUtf8[next(std::size(kUtf8))];
      case 1:
        return kCp1251[next(std::size(kCp1251))];
      case 2: {
        QByteArray junk(int(1 + next(6)), '\0');
        for (char& c : junk) c = char(random_());
        return junk;
      }
      default:
        return kAscii[next(std::size(kAscii))];
    }
  }

  QByteArray text(int pieces) {
    QByteArray out;
    for (int i = 0; i < pieces; ++i) out += piece();
    return out;
  }

  // Text without line breaks, of about `bytes` bytes.
  QByteArray longText(int bytes) {
    QByteArray out;
    out.reserve(bytes + 16);
    while (out.size() < bytes) out += piece();
    out.replace('\n', ' ');
    return out;
  }

  QByteArray lineEnd() {
    switch (next(4)) {
      case 0:
        return "\n";
      case 1:
        return "\r";  // no line end of ours: part of the line
      default:
        return "\r\n";
    }
  }

  QByteArray randomBytes(int size) {
    QByteArray out(size, '\0');
    for (char& c : out) c = char(random_());
    return out;
  }

  // A value a program writes: Latin and Cyrillic letters, digits, signs; no line breaks.
  QString writtenValue() {
    static const QString kChars = QStringLiteral("aZ09 =;[]-+.,ЖжЁёЯя№«»—");
    QString out;
    for (int n = int(next(20)); n > 0; --n) out += kChars[int(next(uint32_t(kChars.size())))];
    return out;
  }

 private:
  std::mt19937 random_;
};

using Snapshot = std::map<QString, QStringList>;  // section -> its key=value lines

Snapshot snapshot(const SettingsStore& store) {
  Snapshot out;
  for (const QString& name : store.sectionNames()) out[name] = store.readSectionValues(name);
  return out;
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class FileFuzzer {
 public:
  explicit FileFuzzer(uint32_t seed) : texts_(seed) {}

  FileFuzzResult run(int files) {
    if (!connect()) {
      fault("the simulated module did not come online");
      return result_;
    }
    for (int i = 0; i < files; ++i) {
      const bool megabyte = i % 50 == 49;
      if (megabyte) ++result_.megabyteLines;
      fuzzIni(megabyte);
      fuzzParameterFile(megabyte);
    }
    return result_;
  }

 private:
  bool connect() {
    auto line = std::make_unique<MemoryLine>(bus_, clock_);
    {
      SettingsStore mem(dir_.filePath("mem.ini"));
      mem.writeString("connect", "port", "COM1");
      mem.flush();
    }
    core_ = std::make_unique<ParameterSession>(dir_.path(), prompter_, std::move(line), clock_);
    for (int pass = 0; pass < 3 && !core_->flags.moduleOnline; ++pass) core_->cycle().pollPass();
    return core_->flags.moduleOnline && TableTransfer(core_->parameterContext()).readMainTables();
  }

  QByteArray iniFile(bool megabyte) {
    if (texts_.chance(10)) return texts_.randomBytes(int(texts_.next(400)));
    QByteArray out = texts_.chance(5) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    const int lines = int(texts_.next(40));
    const int longLine = megabyte ? int(texts_.next(uint32_t(lines + 1))) : -1;
    for (int i = 0; i <= lines; ++i) {
      if (i == longLine) {
        out += "long=" + texts_.longText(kMegabyte) + texts_.lineEnd();
        continue;
      }
      switch (texts_.next(6)) {
        case 0:
          out += '[' + texts_.text(int(1 + texts_.next(3))) + ']';
          break;
        case 1:
          out += ';' + texts_.text(3);
          break;
        case 2:
          out += texts_.text(int(texts_.next(4)));
          break;
        default:
          out += texts_.text(int(1 + texts_.next(2))) + '=' + texts_.text(int(texts_.next(5)));
      }
      out += texts_.lineEnd();
    }
    return out;
  }

  void fuzzIni(bool megabyte) {
    ++result_.iniFiles;
    const QString path = dir_.filePath("fuzz.ini");
    const QByteArray original = iniFile(megabyte);
    if (!writeAll(path, original)) return fault("cannot write the fuzz file");
    SettingsStore first(path);
    const Snapshot read = snapshot(first);
    if (!first.flush()) return fault("flush failed: " + first.lastError(), original);
    const QByteArray flushed = readAll(path);

    SettingsStore second(path);
    if (snapshot(second) != read) return fault("a value changed in a flush", original);
    if (!second.flush()) return fault("second flush failed", original);
    if (readAll(path) != flushed) return fault("a second flush wrote other bytes", original);

    const QStringList names = second.sectionNames();
    const QString section = names.isEmpty() || texts_.chance(3)
                                ? QStringLiteral("fuzz")
                                : names[int(texts_.next(uint32_t(names.size())))];
    const QString value = texts_.writtenValue();
    second.writeString(section, QStringLiteral("fuzzkey"), value);
    if (!second.flush()) return fault("flush of a written value failed", original);
    const SettingsStore third(path);
    if (third.readString(section, QStringLiteral("fuzzkey"), QStringLiteral("<none>")) != value)
      return fault("a written value did not survive: " + value, original);
    Snapshot others = snapshot(third);
    Snapshot before = read;
    others.erase(section);
    before.erase(section);
    if (others != before) fault("a written value changed another section", original);
  }

  QByteArray parameterFile(bool megabyte) {
    if (texts_.chance(10)) return texts_.randomBytes(int(texts_.next(400)));
    const ParameterTables& tables = core_->params.tables;
    const int version = core_->flags.firmwareVersion;
    QByteArray out = texts_.chance(5) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    auto line = [&](const QByteArray& text) { out += text + texts_.lineEnd(); };
    line("[version]");
    switch (texts_.next(6)) {
      case 0:
        line("ver=" + texts_.text(2));
        break;
      case 1:
        line("ver=" + QByteArray::number(version + 1));
        break;
      case 2:
        break;  // no version at all
      default:
        line("VER=" + QByteArray::number(version));
    }
    const int longRow = megabyte ? 0 : -1;
    for (ParameterTables::Id id : kFileTables) {
      if (texts_.chance(8)) continue;
      line('[' + tables.table(id).section.toUtf8() + ']');
      const int rows = tables.rowCount(id) + int(texts_.next(3)) - 1;
      for (int row = 0; row < rows; ++row) {
        if (texts_.chance(10)) continue;  // a missing row
        const QByteArray key = (texts_.chance(5) ? "N" : "n") + QByteArray::number(row + 1);
        const QByteArray value = row == longRow && id == ParameterTables::Inps
                                     ? texts_.longText(kMegabyte)
                                     : texts_.text(int(texts_.next(4)));
        line(key + '=' + value);
        if (texts_.chance(12)) line(texts_.text(2));  // a stray line
      }
    }
    for (int n = int(texts_.next(3)); n > 0; --n) {
      line("[other" + QByteArray::number(n) + ']');
      line("k=" + texts_.text(3));
    }
    return out;
  }

  void fuzzParameterFile(bool megabyte) {
    ++result_.parameterFiles;
    const QString path = dir_.filePath("params.txt");
    const QByteArray original = parameterFile(megabyte);
    if (!writeAll(path, original)) return fault("cannot write the fuzz file");
    const ParameterContext& ctx = core_->parameterContext();
    ParameterTables& tables = ctx.tables();
    const QStringList before = cells();
    const SettingsStore file(path);
    const bool versionMatches =
        file.readInteger("version", "ver", 0) == int(core_->flags.firmwareVersion);

    const bool loaded = loadParameterFile(ctx, path);
    if (loaded != versionMatches) return fault("loaded against its version", original);
    if (!loaded) {
      if (cells() != before) fault("a refused file changed a cell", original);
      return;
    }
    ++result_.parameterFilesLoaded;
    for (ParameterTables::Id id : kFileTables) {
      const QString section = tables.table(id).section;
      for (int row = 0; row < tables.rowCount(id); ++row)
        if (tables.cellText(id, row) !=
            file.readString(section, QStringLiteral("n%1").arg(row + 1), QStringLiteral("---")))
          return fault("a cell differs from its file line", original);
    }

    // Saved back over itself: the sections the save does not write stay as they were.
    Snapshot kept = snapshot(file);
    kept.erase(QStringLiteral("version"));
    for (ParameterTables::Id id : kFileTables) kept.erase(tables.table(id).section);
    kept.erase(QStringLiteral("do_settings"));
    const QStringList saved = withoutLineBreaks(cells());
    if (!saveParameterFile(ctx, path)) return fault("saving over a loaded file failed", original);
    Snapshot after = snapshot(SettingsStore(path));
    for (auto it = after.begin(); it != after.end();)
      it = kept.count(it->first) ? std::next(it) : after.erase(it);
    if (after != kept) return fault("a save lost another section", original);
    if (!loadParameterFile(ctx, path) || cells() != saved)
      fault("a saved file does not load back", original);
  }

  QStringList cells() const {
    QStringList out;
    for (ParameterTables::Id id : kFileTables)
      for (int row = 0; row < core_->params.tables.rowCount(id); ++row)
        out << core_->params.tables.cellText(id, row);
    return out;
  }

  static QStringList withoutLineBreaks(QStringList texts) {
    for (QString& t : texts) t.replace('\r', ' ').replace('\n', ' ');
    return texts;
  }

  void fault(const QString& what, const QByteArray& file = QByteArray()) {
    ++result_.faults;
    if (result_.examples.size() < 5)
      result_.examples << what + QStringLiteral(" (file of %1 bytes: %2)")
                                     .arg(file.size())
                                     .arg(QString::fromLatin1(file.left(120).toHex(' ')));
  }

  Texts texts_;
  QTemporaryDir dir_;
  VirtualClock clock_;
  SimBus bus_;
  QuietPrompter prompter_;
  std::unique_ptr<ParameterSession> core_;
  FileFuzzResult result_;
};

}  // namespace

FileFuzzResult runFileFuzz(int files, uint32_t seed) { return FileFuzzer(seed).run(files); }
