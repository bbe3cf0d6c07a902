#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "sim/PtyServer.h"
#include "sim/SimBus.h"
#include "sim/SimFrames.h"

namespace {

// The server on its own thread; the test is the client, with plain POSIX calls on the slave side.
class PtyServerTest : public ::testing::Test {
 protected:
  void start(PtyServer::Options options) {
    server = std::make_unique<PtyServer>(bus, options);
    ASSERT_TRUE(server->open()) << server->errorString();
    // The adapter is pulled and put back from the server's own thread, as tarvix-sim's console
    // does: 'u' or 'p' written here.
    ASSERT_EQ(pipe(adapterControl), 0);
    server->watch(adapterControl[0], [this](int fd) {
      char c = 0;
      if (::read(fd, &c, 1) == 1) {
        if (c == 'u') server->unplug();
        if (c == 'p') pluggedBack = server->plug();
        ++adapterActions;
      }
      return true;
    });
    openClient(server->slavePath());
    thread = std::thread([this] { served = server->run(); });
  }

  ~PtyServerTest() override {
    if (client >= 0) ::close(client);
    if (thread.joinable()) {
      server->stop();
      thread.join();
    }
    for (int fd : adapterControl)
      if (fd >= 0) ::close(fd);
  }

  // Has the server's thread pull the adapter ('u') or put it back ('p'), and waits for it.
  void adapter(char action) {
    const int before = adapterActions;
    ASSERT_EQ(::write(adapterControl[1], &action, 1), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (adapterActions == before && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void openClient(const std::string& path) {
    client = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(client, 0);
    termios tio{};
    tcgetattr(client, &tio);
    cfmakeraw(&tio);
    tcsetattr(client, TCSANOW, &tio);
  }

  // Reads until `size` bytes came; the deadline only keeps a broken server from hanging the run.
  QByteArray receive(int size) {
    QByteArray out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (out.size() < size && std::chrono::steady_clock::now() < deadline) {
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[64];
      const ssize_t n = ::read(client, buffer, sizeof buffer);
      if (n > 0) out.append(buffer, int(n));
    }
    return out;
  }

  void send(const QByteArray& bytes) {
    ASSERT_EQ(::write(client, bytes.constData(), size_t(bytes.size())), bytes.size());
  }

  SimBus bus;
  std::unique_ptr<PtyServer> server;
  std::thread thread;
  bool served = false;
  int client = -1;
  int adapterControl[2] = {-1, -1};
  std::atomic<int> adapterActions{0};
  std::atomic<bool> pluggedBack{false};
};

TEST_F(PtyServerTest, AnswersAFrameNoSoonerThanTheLineWouldCarryIt) {
  start({9600, 5, {}});
  const auto sent = std::chrono::steady_clock::now();
  send(frame("64 03 03 00 00 02"));
  EXPECT_EQ(hex(receive(9)), "64 03 04 00 CD 00 00 5E CA");
  // 8 + 9 characters of 10 bits at 9600 baud, and the 5 ms turnaround.
  EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::microseconds(22'700));

  server->stop();
  thread.join();
  EXPECT_TRUE(served);
}

// An echoing adapter: the request comes straight back, then the reply.
TEST_F(PtyServerTest, EchoSendsTheRequestBackAheadOfTheReply) {
  bus.setAdapterEcho(true);
  start({0, 0, {}});
  const QByteArray request = frame("64 03 03 00 00 01");
  send(request);
  EXPECT_EQ(hex(receive(15)), hex(request + withCrc({0x64, 3, 2, 0, 0xCD})));
}

// The adapter pulled out: the client's open port reports the device gone and the path
// vanishes; put back, the same path leads to a new terminal that answers.
TEST_F(PtyServerTest, UnplugTakesThePortAwayAndPlugBringsItBack) {
  QTemporaryDir dir;
  const std::string link = dir.filePath("ttySIM").toStdString();
  start({0, 0, link});
  send(frame("64 03 03 00 00 01"));
  EXPECT_EQ(receive(7).size(), 7);

  adapter('u');
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0);
  termios tio{};
  EXPECT_NE(tcgetattr(client, &tio), 0);  // what the tool's alive check sees
  char byte = 0;
  EXPECT_LE(::read(client, &byte, 1), 0);

  adapter('p');
  ASSERT_TRUE(pluggedBack);
  ::close(client);
  openClient(link);
  send(frame("64 03 03 00 00 01"));
  EXPECT_EQ(hex(receive(7)), hex(withCrc({0x64, 3, 2, 0, 0xCD})));
}

TEST(PtyServerLink, SymlinkLivesAsLongAsTheServer) {
  QTemporaryDir dir;
  const std::string link = dir.filePath("ttySIM").toStdString();
  SimBus bus;
  {
    PtyServer server(bus, {0, 0, link});
    ASSERT_TRUE(server.open()) << server.errorString();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(server.slavePath(), target);
  }
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0);
}

}  // namespace
