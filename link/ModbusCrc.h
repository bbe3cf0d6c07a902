#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS (reflected 0xA001, initial 0xFFFF) by the two standard 256-entry tables;
// sent low byte first.
uint16_t modbusCrc(const uint8_t* data, size_t length);
