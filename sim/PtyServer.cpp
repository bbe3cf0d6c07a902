#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
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

}  // namespace

PtyServer::PtyServer(SimBus& bus, Options options)
    : bus_(bus), options_(std::move(options)), reader_(FrameReader::gapForBaud(options_.baud)) {}

PtyServer::~PtyServer() { close(); }

bool PtyServer::fail(const std::string& what) {
  error_ = what + ": " + std::strerror(errno);
  return false;
}

bool PtyServer::open() {
  close();
  if ((pipe2(wakeFds_, O_NONBLOCK | O_CLOEXEC) != 0 && !fail("pipe")) || !openTerminal()) {
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

void PtyServer::closeTerminal() {
  if (linkMade_) ::unlink(options_.linkPath.c_str());
  linkMade_ = false;
  closeFd(slaveFd_);
  closeFd(masterFd_);
  pending_.clear();
  reader_ = FrameReader(FrameReader::gapForBaud(options_.baud));
}

void PtyServer::close() {
  closeTerminal();
  closeFd(wakeFds_[0]);
  closeFd(wakeFds_[1]);
}

void PtyServer::unplug() { closeTerminal(); }

bool PtyServer::plug() {
  if (plugged()) return true;
  if (openTerminal()) return true;
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

uint64_t PtyServer::lineTimeUs(int bytes) const {
  return options_.baud > 0 ? uint64_t(bytes) * 10'000'000ULL / uint64_t(options_.baud) : 0;
}

void PtyServer::serve(const QByteArray& request, uint64_t arrivedUs) {
  SimBus::Reply reply;
  {
    std::lock_guard<std::mutex> lock(bus_.mutex());
    reply = bus_.respond(request);
  }
  ++requestsServed_;
  if (reply.bytes.isEmpty()) return;
  const uint64_t due = arrivedUs + lineTimeUs(int(request.size())) +
                       1000ULL * (options_.turnaroundMs + reply.extraDelayMs) +
                       lineTimeUs(int(reply.bytes.size()));
  auto at = std::upper_bound(pending_.begin(), pending_.end(), due,
                             [](uint64_t t, const Pending& p) { return t < p.dueUs; });
  pending_.insert(at, {due, reply.bytes});
}

void PtyServer::readMaster(uint64_t nowUs) {
  uint8_t buffer[512];
  for (;;) {
    const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
    if (n <= 0) return;  // EAGAIN: all taken
    std::vector<QByteArray> frames;
    reader_.feed(buffer, int(n), nowUs, frames);
    for (const QByteArray& frame : frames) serve(frame, nowUs);
  }
}

void PtyServer::writeDue(uint64_t nowUs) {
  while (!pending_.empty() && pending_.front().dueUs <= nowUs) {
    const QByteArray& bytes = pending_.front().bytes;
    // A client that does not read lets the terminal's buffer fill; its replies are lost then,
    // as they would be on a line nobody listens to.
    [[maybe_unused]] ssize_t n = ::write(masterFd_, bytes.constData(), size_t(bytes.size()));
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
    fds.push_back({masterFd_, POLLIN, 0});
    fds.push_back({wakeFds_[0], POLLIN, 0});
    for (const Watched& w : watched_) fds.push_back({w.fd, POLLIN, 0});
    const int ready = ppoll(fds.data(), nfds_t(fds.size()), deadline ? &timeout : nullptr, nullptr);
    if (ready < 0 && errno != EINTR) return fail("poll");
    now = nowMicros();

    // An unplugged terminal (masterFd_ -1) is skipped by poll() and reports nothing.
    if (fds[0].revents & (POLLERR | POLLNVAL)) {
      errno = EIO;
      return fail("pseudo-terminal");
    }
    if (fds[0].revents & POLLIN) readMaster(now);
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
    for (size_t i = 2; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      auto it = std::find_if(watched_.begin(), watched_.end(),
                             [&](const Watched& w) { return w.fd == fds[i].fd; });
      if (it != watched_.end() && !it->handler(it->fd)) watched_.erase(it);
    }
  }
  return true;
}
