#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

#include "bench/BenchContext.h"
#include "bench/BenchSession.h"
#include "bench/TestRunner.h"
#include "core/SettingsStore.h"
#include "support/SimSession.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << "\n  " << l.join(QStringLiteral("\n  ")).toStdString() << '\n';
}

// The program's core and the simulated module on the simulated bench of the demo's tp.ini, on
// virtual time. `tweak` may change tp.ini before anything reads it. The bench's writes, the
// module's commands and the protection blocks written are logged with their virtual times.
struct BenchSim : SimSession<BenchSession> {
  explicit BenchSim(int firmware = 205, const std::function<void(SettingsStore&)>& tweak = {})
      : SimSession<BenchSession>([&](SettingsStore&) {
          const QString tpPath = dir.filePath(QStringLiteral("tp.ini"));
          QFile::copy(QStringLiteral(TARVIX_DEMO_TP), tpPath);
          QFile(tpPath).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
          if (tweak) {
            SettingsStore tp(tpPath);
            tweak(tp);
            tp.flush();
          }
        }) {
    bus.module().installFirmware(uint16_t(firmware));
    bus.attachBench(BenchDescription::read(core->tp));
    start = clock.tick();
    const auto log = [this](const char* who) {
      return [this, who](uint16_t, uint16_t) {
        const BenchModule& m = QLatin1String(who) == QLatin1String("R16") ? bus.r16() : bus.d8r4();
        writes << QStringLiteral("%1 %2 %3")
                      .arg(clock.tick() - start)
                      .arg(QLatin1String(who))
                      .arg(m.outputs(), 0, 16);
      };
    };
    bus.r16().setWriteHook(log("R16"));
    bus.d8r4().setWriteHook(log("D8R4"));
    bus.module().setWriteHook([this](uint16_t first, uint16_t count) {
      if (first >= 8 && first <= 10) {
        writes << QStringLiteral("%1 cmd %2").arg(clock.tick() - start).arg(first);
        return;
      }
      QStringList values;
      for (int i = 0; i < count; ++i)
        values << QString::number(bus.module().get(uint16_t(first + i)));
      writes << QStringLiteral("%1 module %2: %3")
                    .arg(clock.tick() - start)
                    .arg(first)
                    .arg(values.join(' '));
    });
  }

  const BenchContext& ctx() { return core->benchContext(); }

  // Online, the test tab's settings loaded, then the test as the worker runs it: again and
  // again while testRunning stays set, at most `turns` times.
  bool startAndRun(int turns = 5) {
    for (int i = 0; i < 5 && !online(); ++i) {
    }
    if (!core->flags.moduleOnline) return false;
    core->bench.settings.load(core->tp);
    if (beforeStart) beforeStart();
    core->bench.now = [] { return QDateTime(QDate(2024, 5, 17), QTime(10, 30, 0)); };
    writes.clear();
    start = clock.tick();
    if (!TestRunner::startTest(ctx(), serial)) return false;
    for (int i = 0; i < turns && core->flags.testRunning; ++i) TestRunner(ctx()).runTestSequence();
    return true;
  }

  QStringList rows() const {
    QStringList out;
    const QVector<ResultGrid::Row> all = core->bench.grid.rows();
    for (int r = 1; r < all.size(); ++r) {
      const ResultGrid::Row& row = all[r];
      out << QStringLiteral("%1|%2|%3").arg(row.step, row.state, row.verdict);
    }
    return out;
  }
  QStringList boxes() const {
    QStringList out;
    for (const auto& b : prompter.boxes) out << b.caption + QStringLiteral(": ") + b.text;
    return out;
  }

  // The reports of the runs so far, oldest first, each as its lines.
  QList<QStringList> reports() const {
    QList<QStringList> out;
    const QDir folder(dir.filePath(QStringLiteral("reports")));
    for (const QString& name :
         folder.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name)) {
      QFile f(folder.filePath(name));
      if (f.open(QIODevice::ReadOnly))
        out << QString::fromUtf8(f.readAll().mid(3)).split(QStringLiteral("\r\n"));
    }
    return out;
  }
  // The module's protection values and motor voltage type: what the unit must leave with.
  std::vector<uint16_t> unitValues() {
    std::vector<uint16_t> values;
    for (uint16_t r = 94; r <= 119; ++r) values.push_back(bus.module().get(r));
    return values;
  }

  QString serial;
  std::function<void()> beforeStart;  // after the settings are shown, before "Старт"
  uint32_t start = 0;
  QStringList writes;
};
