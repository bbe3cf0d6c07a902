#include "sim/PtyServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sim/SimBus.h"

namespace {

uint64_t nowMicros() {
  return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The rates a client sets on a terminal, as numbers.
int rateOf(speed_t speed) {
  static const std::pair<speed_t, int> kRates[] = {
      {B1200, 1200},     {B2400, 2400},     {B4800, 4800},    {B9600, 9600},
      {B19200, 19200},   {B38400, 38400},   {B57600, 57600},  {B115200, 115200},
      {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
  for (const auto& [code, rate] : kRates)
    if (code == speed) return rate;
  return 0;
}

}  // namespace

PtyServer::PtyServer(SimBus& bus, Options options)
    : bus_(bus), options_(std::move(options)), reader_(FrameReader::gapForBaud(options_.baud)) {}

PtyServer::~PtyServer() { close(); }

bool PtyServer::fail(const std::string& what) {
  error_ = what + ": " + std::strerror(errno);
  return false;
}

std::string PtyServer::clientPath() const {
  if (tcp()) return "127.0.0.1:" + std::to_string(options_.tcpPort);
  return options_.linkPath.empty() ? slavePath_ : options_.linkPath;
}

bool PtyServer::open() {
  close();
  if ((pipe2(wakeFds_, O_NONBLOCK | O_CLOEXEC) != 0 && !fail("pipe")) ||
      !(tcp() ? listen() : openTerminal())) {
    close();
    return false;
  }
  stopRequested_ = false;
  return true;
}

bool PtyServer::openTerminal() {
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (masterFd_ < 0) return fail("posix_openpt");
  if (grantpt(masterFd_) != 0) return fail("grantpt");
  if (unlockpt(masterFd_) != 0) return fail("unlockpt");
  char name[128];
  if (ptsname_r(masterFd_, name, sizeof name) != 0) return fail("ptsname");
  slavePath_ = name;
  slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd_ < 0) return fail("open " + slavePath_);
  termios tio{};
  if (tcgetattr(slaveFd_, &tio) != 0) return fail("tcgetattr");
  cfmakeraw(&tio);
  // The power-on state of a serial port: 9600 baud, no parity, one stop bit.
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  if (tcsetattr(slaveFd_, TCSANOW, &tio) != 0) return fail("tcsetattr");

  if (!options_.linkPath.empty()) {
    const char* link = options_.linkPath.c_str();
    struct stat st {};
    // A symlink left by an earlier run is replaced; anything else at that path is not ours.
    if (lstat(link, &st) == 0) {
      if (!S_ISLNK(st.st_mode)) {
        errno = EEXIST;
        return fail("link " + options_.linkPath);
      }
      ::unlink(link);
    }
    if (symlink(name, link) != 0) return fail("symlink " + options_.linkPath);
    linkMade_ = true;
  }
  return true;
}

bool PtyServer::listen() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return fail("socket");
  const int on = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never beyond this machine
  address.sin_port = htons(uint16_t(options_.tcpPort));
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    return fail("bind 127.0.0.1:" + std::to_string(options_.tcpPort));
  if (::listen(listenFd_, 4) != 0) return fail("listen");
  socklen_t length = sizeof address;
  if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return fail("getsockname");
  // Port 0 asked for any free one; plugging back in listens at the same.
  options_.tcpPort = ntohs(address.sin_port);
  return true;
}

void PtyServer::accept() {
  const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  dropClient();
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  clientFd_ = fd;
}

void PtyServer::dropClient() {
  closeFd(clientFd_);
  pending_.clear();
  reader_ = FrameReader(FrameReader::gapForBaud(options_.baud));
}

void PtyServer::closeTerminal() {
  if (linkMade_) ::unlink(options_.linkPath.c_str());
  linkMade_ = false;
  closeFd(slaveFd_);
  closeFd(masterFd_);
  dropClient();
  closeFd(listenFd_);
}

void PtyServer::close() {
  closeTerminal();
  closeFd(wakeFds_[0]);
  closeFd(wakeFds_[1]);
}

void PtyServer::unplug() { closeTerminal(); }

bool PtyServer::plug() {
  if (plugged()) return true;
  if (tcp() ? listen() : openTerminal()) return true;
  closeTerminal();
  return false;
}

void PtyServer::watch(int fd, InputHandler handler) {
  watched_.push_back({fd, std::move(handler)});
}

void PtyServer::stop() {
  stopRequested_ = true;
  if (wakeFds_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFds_[1], &byte, 1);
  }
}

bool PtyServer::terminalSettings(LineSettings& settings) const {
  termios tio{};
  if (tcp() || slaveFd_ < 0 || tcgetattr(slaveFd_, &tio) != 0) return false;
  settings.baudRate = rateOf(cfgetospeed(&tio));
  // A pseudo-terminal drops the parity bit from its settings (it never makes parity errors),
  // so the parity a client asked for cannot be told here: every parity is heard.
  settings.parity.reset();
  settings.twoStopBits = (tio.c_cflag & CSTOPB) != 0;
  return true;
}

int PtyServer::lineRate(const LineSettings* heard) const {
  if (options_.baud != kLineRate) return options_.baud;
  if (heard) return heard->baudRate.value_or(9600);
  return std::max(0, bus_.module().lineFormat().baud);
}

uint64_t PtyServer::lineTimeUs(int bytes, int baud) const {
  return baud > 0 ? uint64_t(bytes) * 10'000'000ULL / uint64_t(baud) : 0;
}

void PtyServer::serve(const QByteArray& request, uint64_t arrivedUs) {
  LineSettings heard;
  const bool known = terminalSettings(heard);
  SimBus::Reply reply;
  int baud = 0;
  {
    std::lock_guard<std::mutex> lock(bus_.mutex());
    reply = bus_.respond(request, known ? &heard : nullptr);
    baud = lineRate(known ? &heard : nullptr);
  }
  ++requestsServed_;
  if (reply.bytes.isEmpty()) return;
  const uint64_t due = arrivedUs + lineTimeUs(int(request.size()), baud) +
                       1000ULL * (options_.turnaroundMs + reply.extraDelayMs) +
                       lineTimeUs(int(reply.bytes.size()), baud);
  auto at = std::upper_bound(pending_.begin(), pending_.end(), due,
                             [](uint64_t t, const Pending& p) { return t < p.dueUs; });
  pending_.insert(at, {due, reply.bytes});
}

void PtyServer::sendToClient(const char* bytes, size_t size) {
  // A client that does not read lets the buffer fill; its replies are lost then, as they would
  // be on a line nobody listens to.
  [[maybe_unused]] const ssize_t n =
      tcp() ? ::send(clientFd_, bytes, size, MSG_NOSIGNAL) : ::write(masterFd_, bytes, size);
}

void PtyServer::readStream(uint64_t nowUs) {
  LineSettings heard;
  const bool known = terminalSettings(heard);
  {
    std::lock_guard<std::mutex> lock(bus_.mutex());
    reader_.setGap(FrameReader::gapForBaud(lineRate(known ? &heard : nullptr)));
  }
  uint8_t buffer[512];
  for (;;) {
    const ssize_t n = ::read(streamFd(), buffer, sizeof buffer);
    if (n == 0 && tcp()) return dropClient();  // the client hung up
    if (n <= 0) return;                        // EAGAIN: all taken
    bool echo = false;
    {
      std::lock_guard<std::mutex> lock(bus_.mutex());
      echo = bus_.adapterEcho();
    }
    if (echo) sendToClient(reinterpret_cast<const char*>(buffer), size_t(n));
    std::vector<QByteArray> frames;
    reader_.feed(buffer, int(n), nowUs, frames);
    for (const QByteArray& frame : frames) serve(frame, nowUs);
  }
}

void PtyServer::writeDue(uint64_t nowUs) {
  while (!pending_.empty() && pending_.front().dueUs <= nowUs) {
    const QByteArray& bytes = pending_.front().bytes;
    if (streamFd() >= 0) sendToClient(bytes.constData(), size_t(bytes.size()));
    pending_.erase(pending_.begin());
  }
}

bool PtyServer::run() {
  if (wakeFds_[0] < 0) {
    error_ = "not open";
    return false;
  }
  std::vector<pollfd> fds;
  while (!stopRequested_) {
    uint64_t now = nowMicros();
    std::optional<uint64_t> deadline = reader_.gapDeadline();
    if (!pending_.empty() && (!deadline || pending_.front().dueUs < *deadline))
      deadline = pending_.front().dueUs;
    timespec timeout{};
    if (deadline) {
      const uint64_t wait = *deadline > now ? *deadline - now : 0;
      timeout.tv_sec = time_t(wait / 1'000'000);
      timeout.tv_nsec = long(wait % 1'000'000) * 1000;
    }

    fds.clear();
    fds.push_back({streamFd(), POLLIN, 0});
    fds.push_back({wakeFds_[0], POLLIN, 0});
    fds.push_back({listenFd_, POLLIN, 0});
    for (const Watched& w : watched_) fds.push_back({w.fd, POLLIN, 0});
    const int ready = ppoll(fds.data(), nfds_t(fds.size()), deadline ? &timeout : nullptr, nullptr);
    if (ready < 0 && errno != EINTR) return fail("poll");
    now = nowMicros();

    // An unplugged terminal (descriptor -1) is skipped by poll() and reports nothing.
    if (fds[0].revents & (POLLERR | POLLNVAL)) {
      if (tcp()) {
        dropClient();
      } else {
        errno = EIO;
        return fail("pseudo-terminal");
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP)) readStream(now);
    if (fds[2].revents & POLLIN) accept();
    std::vector<QByteArray> endedBySilence;
    reader_.idle(now, endedBySilence);
    for (const QByteArray& frame : endedBySilence) serve(frame, now);
    writeDue(now);
    if (fds[1].revents & POLLIN) {
      char drain[64];
      while (::read(wakeFds_[0], drain, sizeof drain) > 0) {
      }
    }
    // Handlers may add or remove watches; walk the descriptors polled this round.
    for (size_t i = 3; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      auto it = std::find_if(watched_.begin(), watched_.end(),
                             [&](const Watched& w) { return w.fd == fds[i].fd; });
      if (it != watched_.end() && !it->handler(it->fd)) watched_.erase(it);
    }
  }
  return true;
}
