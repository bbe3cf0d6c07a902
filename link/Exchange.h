#pragma once

#include <QString>
#include <array>
#include <cstdint>

// Request and result of one read exchange (function 3). A caller fills the request fields,
// calls the client and reads the results after success, or `error` after failure.
struct ReadExchange {
  uint8_t slaveAddress = 0;
  uint16_t firstRegister = 0;
  uint16_t registerCount = 0;
  std::array<uint8_t, 1024> receiveBuffer{};  // the raw reply, slave address first
  QString error;                              // left as it was on success
  std::array<uint16_t, 512> registers{};      // values of the last good reply
  uint8_t decodedCount = 0;
  uint16_t errorCode = 0;  // code byte of the last reply with a function code other than 3
};

// Request and result of one write exchange (function 16, or 6 for the first value alone).
struct WriteExchange {
  uint8_t slaveAddress = 0;
  std::array<uint16_t, 512> values{};
  uint16_t firstRegister = 0;
  uint16_t registerCount = 0;
  std::array<uint8_t, 1024> replyBuffer{};
  QString error;
  uint16_t errorCode = 0;
};
