// One notation for every number the program, the command line and the simulator read.
#include <gtest/gtest.h>

#include "core/Numbers.h"

namespace {

TEST(Numbers, OneNotationEverywhere) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"10", true, 10},
      {"010", true, 10},  // a leading zero is not octal
      {" 7 ", true, 7},
      {"-1", true, -1},
      {"+3", true, 3},
      {"0x10", true, 16},
      {"0X1f", true, 31},
      {"0xFFFFFFFF", true, -1},
      {"2147483647", true, INT32_MAX},
      {"2147483648", false, 0},
      {"0x100000000", false, 0},
      {"0x-1", false, 0},
      {"0x", false, 0},
      {"", false, 0},
      {"1e3", false, 0},
      {"12a", false, 0},
      {"1 000", false, 0},
      {"десять", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int value = 12345;
    EXPECT_EQ(parseInteger(QString::fromUtf8(c.text), &value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : 12345);  // untouched when refused
  }
}

TEST(Numbers, RangeOfAParsedNumber) {
  EXPECT_EQ(parseNumber("010", 0, 255), 10);
  EXPECT_EQ(parseNumber("0xFF", 0, 255), 255);
  EXPECT_EQ(parseNumber("256", 0, 255), std::nullopt);
  EXPECT_EQ(parseNumber("-1", 0, 255), std::nullopt);
  EXPECT_EQ(parseNumber("4294967295", 0, 0xFFFFFFFFLL), 4294967295LL);
}

}  // namespace
