#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/FrameReader.h"

class SimBus;

// Serves the simulated bus on a pseudo-terminal: a client opens the slave side as it would a
// serial port. Requests are cut from the byte stream by FrameReader; each reply is written at
// the moment it would have fully arrived on a real line (request line time + turnaround + any
// injected delay + reply line time, 10 bits a character), in one piece. The server keeps a slave
// descriptor of its own open, so reading the master side never fails while no client is there.
// Everything runs on the thread that calls run(), in one poll() set; further descriptors (the
// console) can join it with watch(), and their handlers may unplug and plug the terminal.
class PtyServer {
 public:
  struct Options {
    int baud = 9600;            // emulated line rate; 0: no line time
    uint32_t turnaroundMs = 5;  // from the end of a request to the start of its reply
    std::string linkPath;       // a symlink to the slave side, removed on close; empty: none
  };
  // Called when `fd` is readable (or has hung up); false stops watching it.
  using InputHandler = std::function<bool(int fd)>;

  PtyServer(SimBus& bus, Options options);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal (raw mode) and the symlink; false with errorString() set.
  bool open();
  void close();
  // The USB adapter pulled out: the pseudo-terminal closes, so a client's open port fails as
  // on a vanished device, and the symlink goes. Requests on their way are lost.
  void unplug();
  // The adapter back: a new pseudo-terminal, with the symlink at the same path; false with
  // errorString() set when it cannot be made (the server stays unplugged then).
  bool plug();
  bool plugged() const { return masterFd_ >= 0; }
  // The path a client opens: the symlink, or the terminal itself without one.
  std::string clientPath() const {
    return options_.linkPath.empty() ? slavePath_ : options_.linkPath;
  }
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

  uint64_t lineTimeUs(int bytes) const;
  void serve(const QByteArray& request, uint64_t arrivedUs);
  void readMaster(uint64_t nowUs);
  void writeDue(uint64_t nowUs);
  bool fail(const std::string& what);
  bool openTerminal();
  void closeTerminal();

  SimBus& bus_;
  Options options_;
  FrameReader reader_;
  int masterFd_ = -1;
  int slaveFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  bool linkMade_ = false;
  std::string slavePath_;
  std::string error_;
  std::vector<Pending> pending_;  // by due time
  std::vector<Watched> watched_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> requestsServed_{0};
};
