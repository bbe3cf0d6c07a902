#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/SerialLine.h"
#include "sim/FrameReader.h"

class SimBus;

// Serves the simulated bus on a pseudo-terminal: a client opens the slave side as it would a
// serial port. Or, with a TCP port, on 127.0.0.1 as a serial device server does: a client
// connects to HOST:PORT and sends the same RTU frames (one client at a time; a new connection
// replaces the old one, as after a client lost its own). Requests are cut from the byte stream
// by FrameReader; each reply is written at the moment it would have fully arrived on a real line
// (request line time + turnaround + any injected delay + reply line time, 10 bits a
// character), in one piece. On the pseudo-terminal a request reaches only the devices that
// listen at the speed the client set on it (a terminal keeps no parity); over TCP the box's
// serial side is set to whatever the module listens at. With the bus's adapter echo on, every byte
// the client sends comes straight back. The server keeps a slave descriptor of its own open,
// so reading the master side never fails while no client is there. Everything runs on the
// thread that calls run(), in one poll() set; further descriptors (the console) can join it
// with watch(), and their handlers may unplug and plug the terminal.
class PtyServer {
 public:
  // The emulated line rate follows the line: the rate the client set on the terminal, or over
  // TCP the module's own.
  static constexpr int kLineRate = -1;
  struct Options {
    int baud = kLineRate;       // emulated line rate; 0: no line time
    uint32_t turnaroundMs = 5;  // from the end of a request to the start of its reply
    std::string linkPath;       // a symlink to the slave side, removed on close; empty: none
    int tcpPort = -1;           // >= 0: serve on 127.0.0.1 at this port (0: any free one)
  };
  // Called when `fd` is readable (or has hung up); false stops watching it.
  using InputHandler = std::function<bool(int fd)>;

  PtyServer(SimBus& bus, Options options);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal (raw mode) and the symlink, or starts listening; false with
  // errorString() set.
  bool open();
  void close();
  // The USB adapter pulled out: the pseudo-terminal closes, so a client's open port fails as
  // on a vanished device, and the symlink goes. Over TCP the server goes off the network: the
  // connection drops and new ones are refused. Requests on their way are lost.
  void unplug();
  // The adapter back: a new pseudo-terminal, with the symlink at the same path, or listening
  // again at the same TCP port; false with errorString() set when it cannot be made (the server
  // stays unplugged then).
  bool plug();
  bool plugged() const { return tcp() ? listenFd_ >= 0 : masterFd_ >= 0; }
  // The name a client opens: HOST:PORT over TCP, else the symlink, or the terminal itself
  // without one.
  std::string clientPath() const;
  const std::string& slavePath() const { return slavePath_; }
  const std::string& errorString() const { return error_; }

  void watch(int fd, InputHandler handler);
  // Serves requests until stop(); false when the pseudo-terminal failed.
  bool run();
  // Ends run(). Safe from any thread and from a signal handler.
  void stop();

  int requestsServed() const { return requestsServed_.load(); }

 private:
  struct Pending {
    uint64_t dueUs;
    QByteArray bytes;
  };
  struct Watched {
    int fd;
    InputHandler handler;
  };

  bool tcp() const { return options_.tcpPort >= 0; }
  // The descriptor requests come in on and replies go out on; -1 while there is none.
  int streamFd() const { return tcp() ? clientFd_ : masterFd_; }
  // The line settings the client set on the terminal; none over TCP.
  bool terminalSettings(LineSettings& settings) const;
  int lineRate(const LineSettings* heard) const;
  uint64_t lineTimeUs(int bytes, int baud) const;
  void serve(const QByteArray& request, uint64_t arrivedUs);
  void readStream(uint64_t nowUs);
  void writeDue(uint64_t nowUs);
  void sendToClient(const char* bytes, size_t size);
  bool fail(const std::string& what);
  bool openTerminal();
  void closeTerminal();
  bool listen();
  void accept();
  void dropClient();

  SimBus& bus_;
  Options options_;
  FrameReader reader_;
  int masterFd_ = -1;
  int slaveFd_ = -1;
  int listenFd_ = -1;
  int clientFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  bool linkMade_ = false;
  std::string slavePath_;
  std::string error_;
  std::vector<Pending> pending_;  // by due time
  std::vector<Watched> watched_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> requestsServed_{0};
};
