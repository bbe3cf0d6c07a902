#pragma once

#include <QStringList>
#include <memory>

#include "link/SerialLine.h"

// The one place that knows which serial line this system has: the Win32 line on Windows,
// QSerialPort elsewhere, and beside it, for a port named HOST:PORT, a serial device server over
// TCP. Everything above the line is the same code on both.
std::unique_ptr<SerialLine> makeSystemSerialLine(Clock& clock);

// The serial ports that exist on this machine, as mem.ini's port key names them: "COMn" on
// Windows, the device path elsewhere (a USB adapter is /dev/ttyUSB0, which no COMn maps to).
QStringList systemSerialPorts();
