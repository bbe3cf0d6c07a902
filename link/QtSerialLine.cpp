#include "link/QtSerialLine.h"

#include <QSerialPort>
#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

QtSerialLine::QtSerialLine(Clock& clock) : TimedSerialLine(clock) {}

QtSerialLine::~QtSerialLine() { close(); }

bool QtSerialLine::open(const QString& device) {
  if (isOpen()) return true;
  if (device.isEmpty()) {
    error_ = QStringLiteral("no port name");
    return false;
  }
  port_ = std::make_unique<QSerialPort>();
  port_->setPortName(device);
  if (!port_->open(QIODevice::ReadWrite)) {
    error_ = port_->errorString();
    port_.reset();
    return false;
  }
  requestLowLatency();
  return true;
}

void QtSerialLine::requestLowLatency() {
#ifdef Q_OS_LINUX
  // USB-serial drivers (FTDI among them) otherwise hold received bytes up to 16 ms before
  // handing them on, which a reply taken the moment it is complete would wait for. A driver
  // without the flag (a pseudo-terminal, a built-in UART) refuses the ioctl; nothing is lost.
  serial_struct serial{};
  if (ioctl(port_->handle(), TIOCGSERIAL, &serial) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ioctl(port_->handle(), TIOCSSERIAL, &serial);
#endif
}

bool QtSerialLine::isOpen() const { return port_ && port_->isOpen(); }

void QtSerialLine::close() {
  if (!port_) return;
  port_->close();
  port_.reset();
}

bool QtSerialLine::applyLineSettings(const LineSettings& s) {
  if (!isOpen()) return false;
  bool ok = port_->setDataBits(QSerialPort::Data8);
  if (s.baudRate) ok = port_->setBaudRate(*s.baudRate) && ok;
  if (s.parity) {
    const auto parity = *s.parity == Parity::Even  ? QSerialPort::EvenParity
                        : *s.parity == Parity::Odd ? QSerialPort::OddParity
                                                   : QSerialPort::NoParity;
    ok = port_->setParity(parity) && ok;
  }
  ok = port_->setStopBits(s.twoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop) && ok;
  if (!ok) error_ = port_->errorString();
  return ok;
}

bool QtSerialLine::isAlive() {
  if (!isOpen() || portFailed()) return false;
#ifdef Q_OS_WIN
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  return GetCommState(port_->handle(), &dcb) != 0;
#else
  termios settings{};
  return tcgetattr(port_->handle(), &settings) == 0;
#endif
}

void QtSerialLine::discardInput() {
  if (!isOpen()) return;
  port_->clear(QSerialPort::Input);  // the driver's buffer
  port_->readAll();                  // and what QSerialPort already took from it
}

IoResult QtSerialLine::write(const uint8_t* data, int size, uint32_t waitMs) {
  if (!isOpen() || portFailed()) return IoResult::Failed;
  if (port_->write(reinterpret_cast<const char*>(data), size) != size) {
    error_ = port_->errorString();
    return IoResult::Failed;
  }
  // The bytes leave through the driver; wait for that within the caller's time and the
  // port's write time-out, whichever is shorter. QSerialPort writes from its own buffer, so
  // nothing has left the instant write() returns: a wait of 0 means no limit beyond the
  // port's write time-out (or, without one, the frame's line time).
  const uint64_t writeLimit =
      uint64_t(timeouts_.writeTotalPerByte) * size + timeouts_.writeTotalConstant;
  const uint64_t frameMs =
      uint64_t(size) * 10000 / uint64_t(std::max<qint32>(1, port_->baudRate())) + kFrameSlackMs;
  const uint64_t ownLimit = writeLimit ? writeLimit : frameMs;
  const int wait =
      int(std::min<uint64_t>(waitMs ? std::min<uint64_t>(waitMs, ownLimit) : ownLimit, INT32_MAX));
  const uint32_t start = clock_.tick();
  while (port_->bytesToWrite() > 0) {
    const uint32_t elapsed = clock_.tick() - start;
    if (elapsed >= uint32_t(wait) || !port_->waitForBytesWritten(wait - int(elapsed))) break;
  }
  if (port_->bytesToWrite() == 0) return IoResult::Completed;
  if (portFailed()) return IoResult::Failed;
  port_->clear(QSerialPort::Output);  // give up: the request must not leave late
  return IoResult::Pending;
}

int QtSerialLine::takeAvailable(uint8_t* buffer, int maxBytes) {
  if (!isOpen()) return -1;
  const qint64 n = port_->read(reinterpret_cast<char*>(buffer), maxBytes);
  if (n < 0 || (n == 0 && portFailed())) {
    error_ = port_->errorString();
    return -1;
  }
  return int(n);
}

TimedSerialLine::Wait QtSerialLine::waitReadable(uint32_t ms) {
  if (port_->bytesAvailable() > 0) return Wait::Readable;
  if (port_->waitForReadyRead(int(ms))) return Wait::Readable;
  return portFailed() ? Wait::Failed : Wait::TimedOut;
}

bool QtSerialLine::portFailed() const {
  // A serial device reads end-of-file (a read error to QSerialPort) only once it has hung up:
  // the adapter is gone, and waiting on it would only spin until the time-out.
  const auto e = port_->error();
  return e == QSerialPort::ResourceError || e == QSerialPort::PermissionError ||
         e == QSerialPort::DeviceNotFoundError || e == QSerialPort::ReadError;
}
