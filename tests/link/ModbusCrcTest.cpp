#include <gtest/gtest.h>

#include "link/ModbusCrc.h"

TEST(ModbusCrc, CheckValueOfTheNineDigits) {
  const char digits[] = "123456789";
  EXPECT_EQ(modbusCrc(reinterpret_cast<const uint8_t*>(digits), 9), 0x4B37);
}

TEST(ModbusCrc, EmptyRunIsTheInitialValue) { EXPECT_EQ(modbusCrc(nullptr, 0), 0xFFFF); }
