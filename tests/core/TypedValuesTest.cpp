// Every kind of typed text through the number notation and into a settings file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/Numbers.h"
#include "core/SettingsStore.h"
#include "support/TypedInputs.h"

namespace {

// The notation reads each input as the number it means and nothing else; a value of any
// kind written into a file stays one value on one line, and the keys around it survive.
TEST(TypedValues, NotationAndSettingsFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("mem.ini"));
  for (const TypedInput& in : typedInputs()) {
    SCOPED_TRACE(in.label);
    int value = 12345;
    EXPECT_EQ(parseInteger(in.text, &value), in.number.has_value());
    if (in.number) {
      EXPECT_EQ(value, *in.number);
    }
    EXPECT_EQ(parseNumber(in.text, INT32_MIN, INT32_MAX), in.number);

    QFile::remove(path);
    {
      SettingsStore mem(path);
      mem.writeString(QStringLiteral("measure"), QStringLiteral("period"), in.text);
      mem.writeInteger(QStringLiteral("connect"), QStringLiteral("adr"), 100);
      ASSERT_TRUE(mem.flush());
    }
    const SettingsStore back(path);
    EXPECT_EQ(back.sectionNames(),
              (QStringList{QStringLiteral("measure"), QStringLiteral("connect")}));
    EXPECT_EQ(back.readSectionValues(QStringLiteral("measure")).size(), 1);
    EXPECT_EQ(back.readInteger(QStringLiteral("connect"), QStringLiteral("adr"), -1), 100);
    QString oneLine = in.text;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    EXPECT_EQ(
        back.readString(QStringLiteral("measure"), QStringLiteral("period"), QStringLiteral("-")),
        oneLine);
  }
}

}  // namespace
