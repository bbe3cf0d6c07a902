#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/ModbusCrc.h"

namespace {

// CRC-16/MODBUS by its definition, one bit at a time: what the two tables must reproduce.
uint16_t bitwiseCrc(const uint8_t* data, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? uint16_t(crc >> 1 ^ 0xA001) : crc >> 1;
  }
  return crc;
}

}  // namespace

TEST(ModbusCrc, CheckValueOfTheNineDigits) {
  const char digits[] = "123456789";
  EXPECT_EQ(modbusCrc(reinterpret_cast<const uint8_t*>(digits), 9), 0x4B37);
}

TEST(ModbusCrc, EmptyRunIsTheInitialValue) { EXPECT_EQ(modbusCrc(nullptr, 0), 0xFFFF); }

// Every table entry is reached by some byte pair: a single byte looks up 0xFF ^ byte, a second
// byte any entry from any state the first left.
TEST(ModbusCrc, TablesAgreeWithTheBitwiseDefinitionForEveryByte) {
  for (int a = 0; a < 256; ++a) {
    const uint8_t one[] = {uint8_t(a)};
    ASSERT_EQ(modbusCrc(one, 1), bitwiseCrc(one, 1)) << "byte " << a;
    for (int b = 0; b < 256; ++b) {
      const uint8_t two[] = {uint8_t(a), uint8_t(b)};
      ASSERT_EQ(modbusCrc(two, 2), bitwiseCrc(two, 2)) << "bytes " << a << ' ' << b;
    }
  }
}

TEST(ModbusCrc, TablesAgreeWithTheBitwiseDefinitionOnRandomFrames) {
  std::mt19937 random(20240521);
  std::vector<uint8_t> frame;
  for (int n = 0; n < 2000; ++n) {
    frame.resize(1 + random() % 256);
    for (uint8_t& byte : frame) byte = uint8_t(random());
    ASSERT_EQ(modbusCrc(frame.data(), frame.size()), bitwiseCrc(frame.data(), frame.size()))
        << "frame " << n << " of " << frame.size() << " bytes";
  }
}
