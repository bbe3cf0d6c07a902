#include "link/Win32SerialLine.h"

#include <windows.h>

#include <algorithm>
#include <string>

struct Win32SerialLine::Overlapped {
  OVERLAPPED record{};
};

namespace {

HANDLE handle(void* p) { return static_cast<HANDLE>(p); }

// A write left to the port's own time-outs is given this much more before it counts as lost
// (a driver that never ends it must not hold the exchange for ever).
constexpr uint32_t kDriverSlackMs = 100;

}  // namespace

Win32SerialLine::Win32SerialLine(Clock& clock)
    : clock_(clock), port_(INVALID_HANDLE_VALUE), event_(nullptr), overlapped_(new Overlapped) {}

Win32SerialLine::~Win32SerialLine() {
  close();
  delete overlapped_;
}

bool Win32SerialLine::open(const QString& device) {
  if (isOpen()) return true;
  if (!event_) {
    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // automatic reset, not signalled
    if (!event_) {
      setError(GetLastError());
      return false;
    }
  }
  overlapped_->record = OVERLAPPED{};
  overlapped_->record.hEvent = handle(event_);
  const std::wstring path = device.toStdWString();
  // No sharing: a port another program holds fails here with that program keeping it.
  HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    setError(GetLastError());
    CloseHandle(handle(event_));
    event_ = nullptr;
    return false;
  }
  port_ = port;
  return true;
}

bool Win32SerialLine::isOpen() const { return port_ != INVALID_HANDLE_VALUE; }

void Win32SerialLine::close() {
  if (event_) {
    CloseHandle(handle(event_));
    event_ = nullptr;
  }
  if (isOpen()) {
    CloseHandle(handle(port_));
    port_ = INVALID_HANDLE_VALUE;
  }
}

bool Win32SerialLine::applyLineSettings(const LineSettings& s) {
  if (!isOpen()) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle(port_), &dcb)) {
    setError(GetLastError());
    return false;
  }
  // Rate, parity, stop bits and data bits only; the rest stays as the driver has it.
  if (s.baudRate) dcb.BaudRate = DWORD(*s.baudRate);
  if (s.parity) {
    dcb.Parity = *s.parity == Parity::Even  ? EVENPARITY
                 : *s.parity == Parity::Odd ? ODDPARITY
                                            : NOPARITY;
  }
  dcb.StopBits = s.twoStopBits ? TWOSTOPBITS : ONESTOPBIT;
  dcb.ByteSize = 8;
  if (!SetCommState(handle(port_), &dcb)) {
    setError(GetLastError());
    return false;
  }
  baudRate_ = dcb.BaudRate ? uint32_t(dcb.BaudRate) : 9600;
  return true;
}

bool Win32SerialLine::applyTimeouts(const PortTimeouts& t) {
  if (!isOpen()) return false;
  COMMTIMEOUTS current{};
  GetCommTimeouts(handle(port_), &current);  // read as the driver has them; not used
  COMMTIMEOUTS wanted{t.readInterval, t.readTotalPerByte, t.readTotalConstant, t.writeTotalPerByte,
                      t.writeTotalConstant};
  if (!SetCommTimeouts(handle(port_), &wanted)) {
    setError(GetLastError());
    return false;
  }
  timeouts_ = t;
  return true;
}

bool Win32SerialLine::isAlive() {
  if (!isOpen()) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(handle(port_), &dcb)) return true;
  setError(GetLastError());
  return false;
}

void Win32SerialLine::discardInput() {
  if (isOpen()) PurgeComm(handle(port_), PURGE_RXCLEAR);
}

IoResult Win32SerialLine::write(const uint8_t* data, int size, uint32_t waitMs) {
  if (!isOpen()) return IoResult::Failed;
  DWORD done = 0;
  if (!WriteFile(handle(port_), data, DWORD(size), &done, &overlapped_->record)) {
    const DWORD code = GetLastError();
    if (code != ERROR_IO_PENDING) {
      setError(code);
      return IoResult::Failed;
    }
  }
  uint32_t wait = waitMs;
  if (wait == 0) {
    // No limit of the caller's: as long as the port's write time-out allows, or without one
    // the frame's line time.
    const uint64_t own =
        uint64_t(timeouts_.writeTotalPerByte) * uint64_t(size) + timeouts_.writeTotalConstant;
    const uint64_t lineTime = uint64_t(size) * 10000 / baudRate_;
    wait = uint32_t(std::min<uint64_t>((own ? own : lineTime) + kDriverSlackMs, UINT32_MAX));
  }
  unsigned long written = 0;
  switch (finish(wait, &written)) {
    case Finish::Done:
      // The port's write time-out ends a write with what has left so far.
      return written == static_cast<unsigned long>(size) ? IoResult::Completed : IoResult::Pending;
    case Finish::TimedOut:
      cancel();  // the request must not leave late
      return IoResult::Pending;
    case Finish::Failed:
      break;
  }
  return IoResult::Failed;
}

IoResult Win32SerialLine::read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) {
  *received = 0;
  if (!isOpen()) return IoResult::Failed;
  DWORD done = 0;
  if (!ReadFile(handle(port_), buffer, DWORD(maxBytes), &done, &overlapped_->record)) {
    const DWORD code = GetLastError();
    if (code != ERROR_IO_PENDING) {
      setError(code);
      return IoResult::Failed;
    }
  }
  unsigned long got = 0;
  switch (finish(waitMs, &got)) {
    case Finish::Done:
      *received = int(got);
      return IoResult::Completed;
    case Finish::TimedOut:
      // Cancelled before returning: nothing is written into the caller's buffer afterwards.
      *received = int(cancel());
      return IoResult::Pending;
    case Finish::Failed:
      break;
  }
  return IoResult::Failed;
}

void Win32SerialLine::drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) {
  if (!isOpen()) return;
  const uint32_t start = clock_.tick();
  uint32_t lastByteAt = quietSince;
  for (;;) {
    const uint32_t now = clock_.tick();
    const uint32_t quiet = now - lastByteAt;
    const uint32_t spent = now - start;
    if (quiet >= quietMs || spent >= kMaxDrainMs) return;
    DWORD done = 0;
    if (!ReadFile(handle(port_), scratch_, sizeof scratch_, &done, &overlapped_->record) &&
        GetLastError() != ERROR_IO_PENDING)
      return;
    unsigned long got = 0;
    const Finish f = finish(std::min(quietMs - quiet, kMaxDrainMs - spent), &got);
    if (f == Finish::Failed) return;
    if (f == Finish::TimedOut) got = cancel();
    if (got > 0) lastByteAt = clock_.tick();
  }
}

Win32SerialLine::Finish Win32SerialLine::finish(uint32_t limit, unsigned long* transferred) {
  const uint32_t start = clock_.tick();
  for (;;) {
    DWORD n = 0;
    if (GetOverlappedResult(handle(port_), &overlapped_->record, &n, FALSE)) {
      *transferred = n;
      return Finish::Done;
    }
    const DWORD code = GetLastError();
    // A read ended by the port's time-outs is a finished read, whatever it got; some serial
    // drivers (Wine's among them) report the time-out as its result.
    if (code == ERROR_TIMEOUT || code == WAIT_TIMEOUT || code == ERROR_SEM_TIMEOUT) {
      *transferred = n;
      return Finish::Done;
    }
    if (code != ERROR_IO_INCOMPLETE) {
      setError(code);
      return Finish::Failed;
    }
    const uint32_t elapsed = clock_.tick() - start;
    if (elapsed >= limit) return Finish::TimedOut;
    WaitForSingleObject(handle(event_), DWORD(limit - elapsed));
  }
}

unsigned long Win32SerialLine::cancel() {
  CancelIoEx(handle(port_), &overlapped_->record);
  DWORD n = 0;
  GetOverlappedResult(handle(port_), &overlapped_->record, &n, TRUE);
  return n;
}

void Win32SerialLine::setError(unsigned long code) { error_ = systemText(code); }

QString Win32SerialLine::systemText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString result = length ? QString::fromWCharArray(text, int(length)).trimmed()
                          : QStringLiteral("Ошибка %1").arg(code);
  LocalFree(text);
  return result;
}
