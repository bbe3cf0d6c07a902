#include "link/LinkFixture.h"

namespace {

class SerialPortLinkTest : public LinkFixture {};

TEST_F(SerialPortLinkTest, LineSettingsFromMemIni) {
  struct Case {
    const char* speed;
    const char* parity;
    const char* stopbits;
    std::optional<int32_t> baud;
    std::optional<Parity> parity_;
    bool twoStop;
  } cases[] = {
      {nullptr, nullptr, nullptr, 9600, Parity::None, true},  // no mem.ini: the defaults
      {"0x3", "1", "0", 57600, Parity::Even, false},
      {"4", "2", "5", 115200, Parity::Odd, true},
      {"7", "5", "1", std::nullopt, std::nullopt, true},  // unknown: the port's own stays
      {"abc", "0", "0", 9600, Parity::None, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed ? c.speed : "defaults");
    SettingsStore store(dir.filePath("case.ini"));
    if (c.speed) store.writeString("connect", "speed", c.speed);
    if (c.parity) store.writeString("connect", "parity", c.parity);
    if (c.stopbits) store.writeString("connect", "stopbits", c.stopbits);
    const LineSettings s = LinkSettings(store).lineSettings();
    EXPECT_EQ(s.baudRate, c.baud);
    EXPECT_EQ(s.parity, c.parity_);
    EXPECT_EQ(s.twoStopBits, c.twoStop);
  }
}

TEST_F(SerialPortLinkTest, TimeoutsFromMemIni) {
  PortTimeouts t = LinkSettings(mem).timeouts();
  EXPECT_EQ(t.readInterval, 10u);
  EXPECT_EQ(t.readTotalPerByte, 0u);
  EXPECT_EQ(t.readTotalConstant, 1000u);
  EXPECT_EQ(t.writeTotalPerByte, 100u);
  EXPECT_EQ(t.writeTotalConstant, 1000u);
  mem.writeString("connect", "cto1", "0x14");
  EXPECT_EQ(LinkSettings(mem).timeouts().readInterval, 20u);
}

TEST_F(SerialPortLinkTest, DevicePaths) {
#ifdef Q_OS_WIN
  EXPECT_EQ(LinkSettings::devicePath("COM3"), "\\\\.\\COM3");
  EXPECT_EQ(LinkSettings::devicePath("COM12"), "\\\\.\\COM12");
  EXPECT_EQ(LinkSettings::devicePath(""), "\\\\.\\COM");
#else
  EXPECT_EQ(LinkSettings::devicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(LinkSettings::devicePath("COM12"), "/dev/ttyS11");
  EXPECT_EQ(LinkSettings::devicePath("/dev/pts/7"), "/dev/pts/7");
  EXPECT_EQ(LinkSettings::devicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(LinkSettings::devicePath(""), "");
#endif
}

TEST_F(SerialPortLinkTest, NetworkPortNames) {
  struct Case {
    const char* name;
    const char* host;  // nullptr: not a network port
    quint16 port;
  } cases[] = {
      {"127.0.0.1:502", "127.0.0.1", 502},
      {" plc-7.local:65535 ", "plc-7.local", 65535},
      {"[::1]:4001", "::1", 4001},
      {"[fe80::1%3]:1", nullptr, 0},  // a zone index is not taken
      {"host:0", nullptr, 0},
      {"host:65536", nullptr, 0},
      {"host:123456", nullptr, 0},
      {"host:", nullptr, 0},
      {":502", nullptr, 0},
      {"::1:502", nullptr, 0},  // IPv6 only in brackets
      {"[]:502", nullptr, 0},
      {"my host:502", nullptr, 0},
      {"/dev/ttyUSB0", nullptr, 0},
      {"C:\\ports\\x:5", nullptr, 0},
      {"COM3", nullptr, 0},
      {"host:50a", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkSettings::NetworkPort address;
    EXPECT_EQ(LinkSettings::isNetworkPort(QString::fromUtf8(c.name), &address), c.host != nullptr);
    if (!c.host) continue;
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.port, c.port);
  }
}

TEST_F(SerialPortLinkTest, OpenFailureSaysSoEveryTime) {
  port.closePort();
  port.closePort();  // closing what is not open does nothing
  line.failOpen = true;
  for (int pass = 0; pass < 2; ++pass) {
    status.setText(StatusLine::Link, "");
    EXPECT_FALSE(port.openPort("COM5"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(status.text(StatusLine::Link), "Ошибка открытия порта");
  }
  line.failOpen = false;
  EXPECT_TRUE(port.openPort("COM5"));
  EXPECT_TRUE(port.isOpen());
  EXPECT_TRUE(port.applyPortTimeouts());
}

TEST_F(SerialPortLinkTest, RejectedLineSettingsAreReportedAndThePortStays) {
  port.closePort();
  line.rejectSettings = true;
  EXPECT_TRUE(port.openPort("COM1"));  // the time-outs still apply
  // The port asks nobody; the poll pass decides what the user is shown.
  EXPECT_TRUE(prompter.boxes.empty());
  EXPECT_EQ(port.takeLineSettingsError(), "scripted failure");
  EXPECT_EQ(port.takeLineSettingsError(), "");
  EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortLinkTest, AliveCheckAndTimeoutsNeedAnOpenPort) {
  EXPECT_TRUE(port.portAlive());
  line.alive = false;
  EXPECT_FALSE(port.portAlive());
  port.closePort();
  EXPECT_FALSE(port.applyPortTimeouts());
  EXPECT_FALSE(port.portAlive());
}

}  // namespace
