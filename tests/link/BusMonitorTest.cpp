// The traffic monitor's model: frames of a scripted exchange sequence with every failure kind,
// the counters, the bound, the filter, pause and saving.
#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QFile>

#include "link/BusMonitor.h"
#include "link/FrameRecorder.h"
#include "link/LinkFixture.h"
#include "support/Frames.h"

namespace {

class BusMonitorTest : public LinkFixture {
 protected:
  BusMonitorTest() : recorder(clock) {
    client.setFrameObserver(&recorder);
    recorder.setTimeBase({QDateTime(QDate(2024, 3, 1), QTime(10, 0)).toMSecsSinceEpoch(), 1000});
    monitor.setAddressNames({{100, "модуль"}, {16, "R16"}, {17, "D8R4"}});
  }
  // What the window's thread does on each announcement.
  void handOver() {
    FrameRecorder::Batch batch = recorder.take();
    monitor.append(std::move(batch.frames), batch.dropped);
  }
  bool read(uint8_t slave, uint16_t first, uint16_t count, QString* error = nullptr) {
    ReadExchange x;
    x.slaveAddress = slave;
    x.firstRegister = first;
    x.registerCount = count;
    const bool ok = client.readRegisters(x);
    if (error) *error = x.error;
    return ok;
  }
  bool write(uint16_t reg, uint16_t value, QString* error = nullptr) {
    WriteExchange x;
    x.slaveAddress = 100;
    x.firstRegister = reg;
    x.registerCount = 1;
    x.values[0] = value;
    const bool ok = client.writeRegister(x);
    if (error) *error = x.error;
    return ok;
  }
  QString cell(int row, int column) const {
    return monitor.data(monitor.index(row, column)).toString();
  }
  QStringList column(int c) const {
    QStringList texts;
    for (int row = 0; row < monitor.rowCount(); ++row) texts << cell(row, c);
    return texts;
  }

  FrameRecorder recorder;
  BusMonitor monitor;
};

// One exchange of each outcome; every row carries the client's own text.
TEST_F(BusMonitorTest, ScriptedSequenceWithEveryFailureKind) {
  struct Step {
    const char* name;
    ExchangeOutcome outcome;
    std::function<bool(QString*)> run;
    int frames;  // rows it adds: the request, and the reply when bytes came back
  };
  QByteArray badCrc = withCrc({100, 3, 4, 0, 1, 0, 2});
  badCrc[7] = char(badCrc[7] ^ 0x55);
  const std::vector<Step> steps = {
      {"good read", ExchangeOutcome::Ok,
       [&](QString* e) {
         line.script(withCrc({100, 3, 4, 0x12, 0x34, 0, 7}));
         return read(100, 16, 2, e);
       },
       2},
      {"silence", ExchangeOutcome::NoReply,
       [&](QString* e) {
         line.silence();
         return read(100, 16, 2, e);
       },
       1},
      {"bad CRC", ExchangeOutcome::BadCrc,
       [&](QString* e) {
         line.script(badCrc);
         return read(100, 16, 2, e);
       },
       2},
      {"wrong address", ExchangeOutcome::WrongAddress,
       [&](QString* e) {
         line.script(withCrc({101, 3, 4, 0, 1, 0, 2}));
         return read(100, 16, 2, e);
       },
       2},
      {"exception", ExchangeOutcome::Exception,
       [&](QString* e) {
         line.script(withCrc({100, 0x83, 0x0B}));
         return read(100, 16, 2, e);
       },
       2},
      {"too many registers", ExchangeOutcome::WrongLength,
       [&](QString* e) {
         line.script(withCrc({100, 3, 6, 0, 1, 0, 2, 0, 3}));
         return read(100, 16, 2, e);
       },
       2},
      {"echo differs", ExchangeOutcome::EchoDiffers,
       [&](QString* e) {
         line.script(withCrc({100, 6, 0, 96, 0, 6}));
         return write(96, 5, e);
       },
       2},
      {"good write", ExchangeOutcome::Ok,
       [&](QString* e) {
         line.script(withCrc({100, 6, 0, 96, 0, 5}));
         return write(96, 5, e);
       },
       2},
      {"bench read", ExchangeOutcome::Ok,
       [&](QString* e) {
         line.script(withCrc({17, 3, 2, 0, 9}));
         return read(17, 51, 1, e);
       },
       2},
      {"request stuck", ExchangeOutcome::SendFailed,
       [&](QString* e) {
         line.writeMode = ScriptedLine::WriteMode::NeverFinishes;
         const bool ok = read(100, 16, 2, e);
         line.writeMode = ScriptedLine::WriteMode::Normal;
         return ok;
       },
       1},
      {"port gone", ExchangeOutcome::PortLost,
       [&](QString* e) {
         line.writeMode = ScriptedLine::WriteMode::CannotStart;
         const bool ok = read(100, 16, 2, e);
         line.writeMode = ScriptedLine::WriteMode::Normal;
         port.openPort("COM1");
         return ok;
       },
       1},
  };
  int row = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    QString error;
    const bool ok = s.run(&error);
    EXPECT_EQ(ok, s.outcome == ExchangeOutcome::Ok);
    handOver();
    ASSERT_EQ(monitor.rowCount(), row + s.frames);
    for (int r = row; r < row + s.frames; ++r) {
      EXPECT_EQ(cell(r, BusMonitor::Result), ok ? QString("OK") : error);
      EXPECT_EQ(monitor.frameAt(r).outcome, s.outcome);
    }
    row += s.frames;
  }
  // Exchanges retried as every caller retries: two silent attempts, then an answer.
  line.silence();
  line.silence();
  line.script(withCrc({16, 3, 2, 0, 1}));
  ReadExchange x;
  ASSERT_TRUE(client.readRegistersAt(x, 16, 50, 1));
  handOver();
  EXPECT_EQ(column(BusMonitor::Attempt).mid(row), QStringList({"1", "2", "3", "3"}));
  EXPECT_EQ(column(BusMonitor::Address).mid(row),
            QStringList({"16 (R16)", "16 (R16)", "16 (R16)", "16 (R16)"}));

  const BusMonitor::Counters& c = monitor.counters();
  EXPECT_EQ(c.requests, steps.size() + 3);
  EXPECT_EQ(c.successes, 4u);
  EXPECT_EQ(c.retries, 2u);
  EXPECT_EQ(c.failures[size_t(ExchangeOutcome::NoReply)], 3u);
  for (ExchangeOutcome k :
       {ExchangeOutcome::PortLost, ExchangeOutcome::SendFailed, ExchangeOutcome::WrongAddress,
        ExchangeOutcome::Exception, ExchangeOutcome::BadCrc, ExchangeOutcome::WrongLength,
        ExchangeOutcome::EchoDiffers})
    EXPECT_EQ(c.failures[size_t(k)], 1u) << outcomeName(k).toStdString();
  // A silent read waits the pause (70) and the reply time (50): the longest of all.
  EXPECT_EQ(c.worstMs, 120u);
  EXPECT_GT(c.meanMs(), 0.0);
  EXPECT_LT(c.meanMs(), 120.0);
  EXPECT_TRUE(monitor.countersText().startsWith("Запросов: 14, успешно: 4, повторов: 2;"));
}

// The columns of a request and its reply, an exception and a write, as the user reads them.
TEST_F(BusMonitorTest, RowsShowTheFramesFields) {
  line.script(withCrc({100, 3, 4, 0x12, 0x34, 0, 7}), 5);
  ASSERT_TRUE(read(100, 16, 2));
  line.script(withCrc({100, 0x83, 0x02}));
  EXPECT_FALSE(read(100, 20, 3));
  WriteExchange w;
  w.slaveAddress = 16;
  w.firstRegister = 50;
  w.registerCount = 2;
  w.values[0] = 258;
  w.values[1] = 7;
  line.script(withCrc({16, 16, 0, 50, 0, 2}));
  ASSERT_TRUE(client.writeRegisters(w));
  handOver();
  ASSERT_EQ(monitor.rowCount(), 6);
  const QStringList lines = [&] {
    QStringList l;
    for (int r = 0; r < 6; ++r) {
      QStringList cells;
      for (int c = BusMonitor::Direction; c < BusMonitor::kColumnCount; ++c) cells << cell(r, c);
      l << cells.join(';');
    }
    return l;
  }();
  EXPECT_EQ(lines.join('\n').toStdString(),
            "TX;100 (модуль);3;16;2;;64 03 00 10 00 02 CC 3B;OK;1\n"
            "RX;100 (модуль);3;16;2;4660 7;64 03 04 12 34 00 07 CA 41;OK;1\n"
            "TX;100 (модуль);3;20;3;;64 03 00 14 00 03 4C 3A;Ошибка модуля: код 2;1\n"
            "RX;100 (модуль);0x83;20;3;код 2;64 83 02 D0 EE;Ошибка модуля: код 2;1\n"
            "TX;16 (R16);16;50;2;258 7;10 10 00 32 00 02 04 01 02 00 07 C0 A0;OK;1\n"
            "RX;16 (R16);16;50;2;;10 10 00 32 00 02 E3 46;OK;1");
  // The port was just opened: the first request waited for the line to fall quiet (120 ms).
  EXPECT_EQ(monitor.frameAt(0).timeText(), "10:00:00.120");
  EXPECT_EQ(cell(0, BusMonitor::Time), "10:00:00.120");
}

BusFrame syntheticFrame(int n, uint8_t slave, bool failed) {
  BusFrame f;
  f.timeMs = n;
  f.slave = slave;
  f.bytes = QByteArray::fromHex("640300100002C63A");
  f.bytes[0] = char(slave);
  f.outcome = failed ? ExchangeOutcome::NoReply : ExchangeOutcome::Ok;
  f.exchangeMs = uint16_t(n % 100);
  return f;
}

// The bound holds however the frames arrive, the filter with it, and the view is told right.
TEST_F(BusMonitorTest, KeepsTheLastFramesAndTheFilterFollows) {
  QAbstractItemModelTester tester(&monitor, QAbstractItemModelTester::FailureReportingMode::Fatal);
  monitor.setFailuresOnly(true);
  int n = 0;
  for (int batch : {15000, 4000, 1003, 1, 20000, 7}) {
    std::deque<BusFrame> frames;
    for (int i = 0; i < batch; ++i, ++n)
      frames.push_back(syntheticFrame(n, n % 3 ? 100 : 16, n % 2));
    monitor.append(std::move(frames));
    EXPECT_EQ(monitor.frameCount(), std::min<size_t>(n, BusMonitor::kMaxFrames));
  }
  EXPECT_EQ(monitor.counters().requests, uint64_t(n));  // counters count what left the table
  EXPECT_EQ(monitor.counters().worstMs, 99u);
  // Failures only: every odd frame of the last 20,000.
  EXPECT_EQ(monitor.rowCount(), int(BusMonitor::kMaxFrames / 2));
  EXPECT_EQ(monitor.frameAt(0).timeMs, n - 20000);  // odd: the oldest kept is shown
  EXPECT_EQ(monitor.frameAt(monitor.rowCount() - 1).timeMs, n - 2);

  monitor.setAddressFilter(16);  // and failures only
  for (int r = 0; r < monitor.rowCount(); ++r) {
    const BusFrame& f = monitor.frameAt(r);
    ASSERT_TRUE(f.slave == 16 && f.failed()) << r;
  }
  EXPECT_EQ(monitor.rowCount(), 3333);
  monitor.setFailuresOnly(false);
  EXPECT_EQ(monitor.rowCount(), 6666);
  monitor.setAddressFilter(std::nullopt);
  EXPECT_EQ(monitor.rowCount(), 20000);
  EXPECT_EQ(monitor.addresses(), QList<uint8_t>({16, 17, 100}));

  monitor.clear();
  EXPECT_EQ(monitor.rowCount(), 0);
  EXPECT_EQ(monitor.frameCount(), 0u);
  EXPECT_EQ(monitor.counters().requests, 0u);
}

// A window thread that stalls costs it the oldest frames, never the client a wait.
TEST_F(BusMonitorTest, RecorderDropsTheOldestWhenNobodyTakes) {
  const uint8_t request[] = {100, 3, 0, 16, 0, 1, 0x8D, 0xF6};
  const QString ok = "OK";
  int announced = 0;
  QObject::connect(&recorder, &FrameRecorder::framesPending, [&] { ++announced; });
  for (int i = 0; i < int(FrameRecorder::kMaxPending) + 25; ++i) {
    ExchangeTrace t;
    t.request = request;
    t.requestLength = 8;
    t.result = &ok;
    t.startedAt = t.endedAt = 1000 + uint32_t(i);
    recorder.exchanged(t);
  }
  EXPECT_EQ(announced, 1);  // once per batch
  handOver();
  EXPECT_EQ(monitor.frameCount(), FrameRecorder::kMaxPending);
  EXPECT_EQ(monitor.counters().lost, 25u);
  EXPECT_EQ(monitor.frameAt(0).timeText(), "10:00:00.025");
  EXPECT_TRUE(monitor.countersText().endsWith(", потеряно кадров: 25"));
}

TEST_F(BusMonitorTest, PauseHoldsTheTableWhileCountersRun) {
  line.script(withCrc({100, 3, 2, 0, 1}));
  read(100, 16, 1);
  handOver();
  monitor.setPaused(true);
  line.silence();
  read(100, 16, 1);
  handOver();
  EXPECT_EQ(monitor.rowCount(), 2);
  EXPECT_EQ(monitor.counters().requests, 2u);
  EXPECT_EQ(monitor.skippedWhilePaused(), 1u);
  monitor.setPaused(false);
  line.script(withCrc({100, 3, 2, 0, 1}));
  read(100, 16, 1);
  handOver();
  EXPECT_EQ(monitor.rowCount(), 4);
}

TEST_F(BusMonitorTest, SavesTheShownRowsAndSaysWhyItCannot) {
  line.script(withCrc({100, 3, 2, 0, 1}));
  read(100, 16, 1);
  line.silence();
  read(100, 17, 1);
  handOver();
  monitor.setFailuresOnly(true);
  const QString path = dir.filePath("trace.txt");
  QString error;
  ASSERT_TRUE(monitor.save(path, &error)) << error.toStdString();
  QFile file(path);
  // A text file: CRLF line ends on Windows, read back as plain line ends.
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith("# время;"));
  EXPECT_TRUE(lines[1].startsWith("# Запросов: 2, успешно: 1"));
  EXPECT_TRUE(
      lines[2].endsWith(";TX;100;3;17;1;;64 03 00 11 00 01 DD FA;"
                        "Ошибка получения результата из модуля;1"))
      << lines[2].toStdString();

  EXPECT_FALSE(monitor.save(dir.filePath("no/such/dir/trace.txt"), &error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
