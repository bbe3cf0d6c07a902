#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/Variant.h"

TEST(Variant, MarkerFileChoosesTitleAndMaximum) {
  QTemporaryDir dir;
  Variant plain = Variant::detect(dir.path());
  EXPECT_EQ(plain.title, "Tarvix");
  EXPECT_EQ(plain.maxFirmwareVersion, 205);

  QFile marker(dir.filePath("trv102.txt"));
  ASSERT_TRUE(marker.open(QIODevice::WriteOnly));  // empty: only its existence counts
  marker.close();
  Variant morvex = Variant::detect(dir.path());
  EXPECT_EQ(morvex.title, "Morvex");
  EXPECT_EQ(morvex.maxFirmwareVersion, 209);
}

TEST(Variant, AccessLevelByPassword) {
  struct Case {
    const char* typed;
    int level;
  } cases[] = {{"4898", 1}, {"8766", 2}, {"", -1}, {"48980", -1}, {" 4898", -1}, {"0000", -1}};
  for (const Case& c : cases) EXPECT_EQ(accessLevelForPassword(c.typed), c.level) << c.typed;
}
