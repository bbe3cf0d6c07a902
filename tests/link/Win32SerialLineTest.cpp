// The Win32 line on a real COM port: tarvix-sim's pseudo-terminal, which scripts/windows.sh
// links into Wine's devices as the port TARVIX_TEST_PORT names (COM12: a number above 9 needs
// the "\\.\" path), with the simulator's console at TARVIX_TEST_SIM_CONSOLE (a named pipe).
// Without them the tests are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkSettings.h"
#include "link/ModbusRtuClient.h"
#include "link/RtuFrame.h"
#include "link/SerialPortLink.h"
#include "link/SystemSerialLine.h"
#include "link/Win32SerialLine.h"

namespace {

// Wine's ntdll has a function of its own that Windows' lacks.
bool underWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class Win32SerialLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    portName = qEnvironmentVariable("TARVIX_TEST_PORT");
    if (portName.isEmpty()) GTEST_SKIP() << "TARVIX_TEST_PORT names no port linked to tarvix-sim";
    mem.writeString("connect", "port", portName);
  }
  void TearDown() override { port.closePort(); }

  bool open() { return port.openPort(LinkSettings(mem).devicePath()) && port.isOpen(); }
  // Sends a read request of `count` registers from 16 straight through the line.
  void sendRead(uint16_t count) {
    uint8_t request[rtu::kMaxFrame];
    const int length = rtu::encodeRead(request, client.moduleAddress(), 16, count);
    ASSERT_EQ(line.write(request, length, 50), IoResult::Completed);
  }
  // Waits, with a deadline, for the port to open again (the simulator makes a new terminal).
  bool reopenWithin(int ms) {
    QElapsedTimer t;
    t.start();
    while (!open() && t.elapsed() < ms) QThread::msleep(50);
    return port.isOpen();
  }

  QTemporaryDir dir;
  SettingsStore mem{dir.filePath("mem.ini")};
  Clock& clock = SteadyClock::instance();
  StatusLine status;
  Win32SerialLine line{clock};
  SerialPortLink port{line, mem, status};
  ModbusRtuClient client{port, mem, clock};
  QString portName;
};

TEST_F(Win32SerialLineTest, ReadsAndWritesTheModule) {
  ASSERT_TRUE(open()) << line.errorString().toStdString();
  EXPECT_TRUE(port.takeLineSettingsError().isEmpty());
  EXPECT_TRUE(port.portAlive());
  ReadExchange x;
  ASSERT_TRUE(client.readModuleRegisters(x, 768, 1)) << x.error.toStdString();
  EXPECT_EQ(x.registers[0], 205);

  WriteExchange w;
  ASSERT_TRUE(client.writeRegisterAt(w, client.moduleAddress(), 99, 31)) << w.error.toStdString();
  ASSERT_TRUE(client.readModuleRegisters(x, 99, 1));
  EXPECT_EQ(x.registers[0], 31);
  // One frame of many registers, as the tables are written.
  w = WriteExchange{};
  w.slaveAddress = client.moduleAddress();
  w.firstRegister = 97;
  w.registerCount = 3;
  w.values[0] = 7, w.values[1] = 8, w.values[2] = 9;
  ASSERT_TRUE(client.writeRegisters(w)) << w.error.toStdString();
  ASSERT_TRUE(client.readModuleRegisters(x, 97, 3));
  EXPECT_EQ(x.registers[2], 9);
}

// The driver ends a read by the port's time-outs: a reply 10 ms after its last byte although
// 1024 bytes were asked for, an empty line after the total time-out.
TEST_F(Win32SerialLineTest, ReadsEndByThePortTimeouts) {
  mem.writeInteger("connect", "cto3", 300);
  ASSERT_TRUE(open());
  uint8_t buffer[1024];
  int received = -1;
  sendRead(2);
  ASSERT_EQ(line.read(buffer, int(sizeof buffer), 250, &received), IoResult::Completed);
  EXPECT_EQ(received, 9);
  EXPECT_EQ(buffer[1], 3);

  ASSERT_EQ(line.read(buffer, int(sizeof buffer), 2000, &received), IoResult::Completed);
  EXPECT_EQ(received, 0);
}

// A read given up is cancelled: the reply that arrives later stays in the port for nobody,
// and the next exchange gets its own reply.
TEST_F(Win32SerialLineTest, ReadGivenUpIsCancelled) {
  ASSERT_TRUE(open());
  uint8_t buffer[1024];
  int received = -1;
  ASSERT_EQ(line.read(buffer, int(sizeof buffer), 20, &received), IoResult::Pending);
  EXPECT_EQ(received, 0);
  sendRead(1);
  ASSERT_EQ(line.read(buffer, 2, 5, &received), IoResult::Pending);  // the reply is still coming
  ReadExchange x;
  ASSERT_TRUE(client.readModuleRegisters(x, 768, 1)) << x.error.toStdString();
  EXPECT_EQ(x.registers[0], 205);
}

// A port that is not there, and one whose name gives no number: the status line says so, the
// line keeps the system's text, and every open tries again.
TEST_F(Win32SerialLineTest, PortThatCannotBeOpened) {
  for (const char* name : {"COM19", ""}) {
    SCOPED_TRACE(name);
    mem.writeString("connect", "port", name);
    for (int attempt = 0; attempt < 2; ++attempt) {
      status.setText(StatusLine::Link, QString());
      EXPECT_FALSE(open());
      EXPECT_EQ(status.text(StatusLine::Link), "Ошибка открытия порта");
      EXPECT_FALSE(line.errorString().isEmpty());
    }
    EXPECT_FALSE(port.portAlive());
    EXPECT_FALSE(port.applyPortTimeouts());
    port.closePort();  // nothing open: nothing happens
  }
  // The system's own text, as FormatMessage gives it, without the line break it ends with.
  mem.writeString("connect", "port", "COM19");
  open();
  const QString text = Win32SerialLine::systemText(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(line.errorString(), text);
  EXPECT_FALSE(text.isEmpty());
  EXPECT_FALSE(text.endsWith('\n'));
  EXPECT_NE(text, "Ошибка 2");
}

// A port another program holds: opening it fails with the same text and the system's own, and
// once the holder lets it go the next open succeeds.
TEST_F(Win32SerialLineTest, PortTakenByAnotherProgram) {
  const std::wstring path = LinkSettings(mem).devicePath().toStdWString();
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const bool opened = open();
  if (opened && underWine()) {
    CloseHandle(holder);
    GTEST_SKIP() << "Wine opens a COM port a second time although the first holder shares it "
                    "with no one (Windows refuses with ERROR_ACCESS_DENIED)";
  }
  EXPECT_FALSE(opened);
  EXPECT_EQ(status.text(StatusLine::Link), "Ошибка открытия порта");
  EXPECT_FALSE(line.errorString().isEmpty());
  CloseHandle(holder);
  EXPECT_TRUE(open()) << line.errorString().toStdString();
}

TEST_F(Win32SerialLineTest, PortListHasThePortsPresent) {
  const QStringList ports = systemSerialPorts();
  EXPECT_TRUE(ports.contains(portName)) << ports.join(' ').toStdString();
  EXPECT_FALSE(ports.contains("COM19"));
}

// The USB adapter pulled out under an open port, then put back: the exchange fails, the alive
// check fails so the port is closed, opening fails while the adapter is out, and the port
// opens and answers again once it is back.
TEST_F(Win32SerialLineTest, AdapterPulledOutAndBack) {
  const QString console = qEnvironmentVariable("TARVIX_TEST_SIM_CONSOLE");
  if (console.isEmpty()) GTEST_SKIP() << "TARVIX_TEST_SIM_CONSOLE names no simulator console";
  const auto command = [&](const char* text) {
    QFile pipe(console);
    ASSERT_TRUE(pipe.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
    pipe.write(QByteArray(text) + '\n');
  };
  ASSERT_TRUE(open());
  ReadExchange x;
  ASSERT_TRUE(client.readModuleRegisters(x, 16, 2));

  command("unplug");
  QElapsedTimer t;  // the simulator takes the command between two requests
  t.start();
  while (client.readModuleRegisters(x, 16, 2) && t.elapsed() < 5000) {
  }
  EXPECT_FALSE(port.portAlive());
  port.closePort();
  EXPECT_FALSE(open());
  EXPECT_EQ(status.text(StatusLine::Link), "Ошибка открытия порта");

  command("plug");
  ASSERT_TRUE(reopenWithin(5000));
  EXPECT_TRUE(client.readModuleRegisters(x, 16, 2)) << x.error.toStdString();
}

}  // namespace
