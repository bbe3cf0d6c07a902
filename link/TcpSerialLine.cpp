#include "link/TcpSerialLine.h"

#include <algorithm>
#include <cstring>

#include "link/LinkSettings.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

#ifdef _WIN32
using Socket = SOCKET;
int lastError() { return WSAGetLastError(); }
bool wouldBlock(int e) { return e == WSAEWOULDBLOCK; }
QString systemText(int code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString out = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
  LocalFree(text);
  return out;
}
int pollSockets(pollfd* fds, int n, int ms) { return WSAPoll(fds, ULONG(n), ms); }
void closeSocket(Socket s) { closesocket(s); }
bool setNonBlocking(Socket s) {
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
}
constexpr int kSendFlags = 0;
// Winsock is started once for the process and left running: it ends with it.
bool startSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}
#else
using Socket = int;
int lastError() { return errno; }
bool wouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINPROGRESS; }
QString systemText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }
int pollSockets(pollfd* fds, int n, int ms) { return ::poll(fds, nfds_t(n), ms); }
void closeSocket(Socket s) { ::close(s); }
bool setNonBlocking(Socket s) {
  const int flags = fcntl(s, F_GETFL, 0);
  return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed connection fails the write, no SIGPIPE
bool startSockets() { return true; }
#endif

Socket asSocket(intptr_t s) { return Socket(s); }

}  // namespace

TcpSerialLine::TcpSerialLine(Clock& clock) : TimedSerialLine(clock) {}

TcpSerialLine::~TcpSerialLine() { close(); }

bool TcpSerialLine::fail(const QString& what) {
  error_ = what;
  return false;
}

bool TcpSerialLine::open(const QString& device) {
  if (isOpen()) return true;
  LinkSettings::NetworkPort address;
  if (!LinkSettings::isNetworkPort(device, &address))
    return fail(QStringLiteral("имя порта не вида АДРЕС:ПОРТ"));
  if (!startSockets()) return fail(systemText(lastError()));
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const QByteArray host = address.host.toUtf8();
  const QByteArray service = QByteArray::number(address.port);
  if (const int e = getaddrinfo(host.constData(), service.constData(), &hints, &found); e != 0) {
#ifdef _WIN32
    return fail(systemText(e));
#else
    return fail(QString::fromLocal8Bit(gai_strerror(e)));
#endif
  }
  closedByServer_ = false;
  for (addrinfo* a = found; a && !isOpen(); a = a->ai_next) {
    const Socket s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (intptr_t(s) < 0 || !setNonBlocking(s)) {
      fail(systemText(lastError()));
      if (intptr_t(s) >= 0) closeSocket(s);
      continue;
    }
    socket_ = intptr_t(s);
    int rc = ::connect(s, a->ai_addr, int(a->ai_addrlen));
    if (rc != 0 && wouldBlock(lastError())) {
      // Connecting in the background; done when the socket becomes writable.
      rc = waitFor(true, kConnectMs) > 0 ? 0 : -1;
      int error = 0;
      socklen_t length = sizeof error;
      if (rc == 0 &&
          getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
          error != 0) {
        rc = -1;
        fail(systemText(error));
      } else if (rc != 0) {
        fail(QStringLiteral("сервер не ответил за %1 с").arg(kConnectMs / 1000));
      }
    } else if (rc != 0) {
      fail(systemText(lastError()));
    }
    if (rc != 0) {
      closeSocket(s);
      socket_ = kNoSocket;
    }
  }
  freeaddrinfo(found);
  if (!isOpen()) return false;
  // Frames are small and each must leave at once.
  const int on = 1;
  setsockopt(asSocket(socket_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
             sizeof on);
  error_.clear();
  return true;
}

void TcpSerialLine::close() {
  if (!isOpen()) return;
  closeSocket(asSocket(socket_));
  socket_ = kNoSocket;
}

bool TcpSerialLine::applyLineSettings(const LineSettings&) { return isOpen(); }

bool TcpSerialLine::isAlive() {
  if (!isOpen() || closedByServer_) return false;
  // A connection the server closed reads as end of file; bytes waiting mean it is there.
  char byte = 0;
  const auto n = ::recv(asSocket(socket_), &byte, 1, MSG_PEEK);
  if (n == 0) return false;
  return n > 0 || wouldBlock(lastError());
}

void TcpSerialLine::setClosedByServer() {
  closedByServer_ = true;
  error_ = QStringLiteral("сервер закрыл соединение");
}

void TcpSerialLine::discardInput() {
  uint8_t scratch[256];
  while (takeAvailable(scratch, int(sizeof scratch)) > 0) {
  }
}

int TcpSerialLine::waitFor(bool out, uint32_t ms) {
  pollfd p{};
  p.fd = asSocket(socket_);
  p.events = out ? POLLOUT : POLLIN;
  const int n = pollSockets(&p, 1, int(std::min<uint32_t>(ms, INT32_MAX)));
  if (n < 0) {
    fail(systemText(lastError()));
    return -1;
  }
  if (n > 0 && !out && (p.revents & (POLLIN | POLLHUP | POLLERR))) return 1;
  if (n > 0 && out && (p.revents & (POLLOUT | POLLHUP | POLLERR))) return 1;
  return 0;
}

IoResult TcpSerialLine::write(const uint8_t* data, int size, uint32_t waitMs) {
  if (!isOpen() || closedByServer_) return IoResult::Failed;
  const uint32_t start = clock_.tick();
  int sent = 0;
  while (sent < size) {
    const auto n = ::send(asSocket(socket_), reinterpret_cast<const char*>(data + sent),
                          size - sent, kSendFlags);
    if (n > 0) {
      sent += int(n);
      continue;
    }
    if (!wouldBlock(lastError())) {
      fail(systemText(lastError()));
      return IoResult::Failed;
    }
    // The system's buffer is full: wait within the caller's time (0: the port's own limit).
    const uint32_t limit = waitMs ? waitMs : timeouts_.writeTotalConstant;
    const uint32_t elapsed = clock_.tick() - start;
    if (elapsed >= limit || waitFor(true, limit - elapsed) <= 0) return IoResult::Pending;
  }
  return IoResult::Completed;
}

int TcpSerialLine::takeAvailable(uint8_t* buffer, int maxBytes) {
  if (!isOpen() || closedByServer_) return -1;
  if (maxBytes <= 0) return 0;
  const auto n = ::recv(asSocket(socket_), reinterpret_cast<char*>(buffer), maxBytes, 0);
  if (n > 0) return int(n);
  if (n == 0) {
    setClosedByServer();
    return -1;
  }
  if (wouldBlock(lastError())) return 0;
  fail(systemText(lastError()));
  return -1;
}

TimedSerialLine::Wait TcpSerialLine::waitReadable(uint32_t ms) {
  if (!isOpen() || closedByServer_) return Wait::Failed;
  const int n = waitFor(false, ms);
  if (n < 0) return Wait::Failed;
  return n > 0 ? Wait::Readable : Wait::TimedOut;
}
