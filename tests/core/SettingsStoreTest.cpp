#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/Cp1251.h"
#include "core/SettingsStore.h"
#include "support/FileSizeLimit.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString path(const char* name = "mem.ini") { return dir.filePath(name); }
  void put(const QByteArray& bytes, const char* name = "mem.ini") {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray bytes(const char* name = "mem.ini") {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
};

TEST_F(SettingsStoreTest, MissingFileGivesDefaults) {
  SettingsStore s(path());
  EXPECT_EQ(s.readInteger("connect", "adr", 100), 100);
  EXPECT_EQ(s.readString("connect", "port", "none"), "none");
  EXPECT_TRUE(s.readSectionValues("log_cmd").isEmpty());
}

TEST_F(SettingsStoreTest, IntegerReads) {
  put("[connect]\r\nhex=0x3\r\nHEX2=0XfF\r\nneg=-5\r\nbad=abc\r\nempty=\r\n"
      "spaced= 12 \r\nhalf=12abc\r\nbig=99999999999\r\n");
  SettingsStore s(path());
  struct Case {
    const char* key;
    int expected;
  } cases[] = {{"hex", 3},     {"hex2", 255}, {"neg", -5}, {"bad", 7},    {"empty", 7},
               {"spaced", 12}, {"half", 7},   {"big", 7},  {"missing", 7}};
  for (const Case& c : cases) EXPECT_EQ(s.readInteger("CONNECT", c.key, 7), c.expected) << c.key;
}

TEST_F(SettingsStoreTest, ValueIsTheTextAfterTheFirstEqualsSign) {
  put("[motor]\nn1=24V=DC\n");
  SettingsStore s(path());
  EXPECT_EQ(s.readString("motor", "n1", ""), "24V=DC");
}

TEST_F(SettingsStoreTest, SectionValuesInFileOrder) {
  put("[log_cmd]\n; comment\n5=Push\n1=Pull\n\n3=Reset\n[other]\n1=x\n");
  SettingsStore s(path());
  EXPECT_EQ(s.readSectionValues("log_cmd"), QStringList({"5=Push", "1=Pull", "3=Reset"}));
}

// The text lists take every line but blanks and comments, "=" or not.
TEST_F(SettingsStoreTest, SectionLinesTakeEveryTextLine) {
  put("[ctrl_stat]\n; comment\nГотов\n1=Движение\n\n  Авария \n[other]\n1=x\n");
  SettingsStore s(path());
  EXPECT_EQ(s.readSectionLines("ctrl_stat"), QStringList({"Готов", "1=Движение", "  Авария "}));
}

TEST_F(SettingsStoreTest, FlushKeepsLayoutAndAppendsNewKeysToTheirSection) {
  put("; tool settings\r\n[connect]\r\nadr=5\r\n\r\n[measure]\r\nperiod=1000\r\n");
  SettingsStore s(path());
  s.writeInteger("connect", "speed", 4);
  s.writeInteger("connect", "adr", 7);
  s.writeString("cycles", "no_fb_time", "10");
  ASSERT_TRUE(s.flush());
  EXPECT_EQ(bytes(),
            "; tool settings\r\n[connect]\r\nadr=7\r\nspeed=4\r\n\r\n[measure]\r\nperiod=1000\r\n"
            "[cycles]\r\nno_fb_time=10\r\n");
  EXPECT_EQ(SettingsStore(path()).readInteger("connect", "speed", 0), 4);
}

TEST_F(SettingsStoreTest, FailedFlushKeepsTheOldFile) {
  put("[connect]\nadr=5\n");
  SettingsStore s(path());
  s.writeInteger("connect", "adr", 6);
  // Make the directory read-only: the temporary file cannot be made.
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  if (QFileInfo(dir.path()).isWritable()) GTEST_SKIP() << "running with rights that ignore modes";
  EXPECT_FALSE(s.flush());
  EXPECT_FALSE(s.lastError().isEmpty());
  EXPECT_EQ(bytes(), "[connect]\nadr=5\n");
  QFile::setPermissions(dir.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A full disk, whether the bytes wait in the file's buffer (a small file) or go out at once (a
// large one): the flush fails with the system's reason and the old file stays whole.
TEST_F(SettingsStoreTest, FullDiskKeepsTheOldFileAndSaysWhy) {
  const QByteArray old = "[connect]\r\nadr=5\r\n";
  for (int keys : {1, 4000}) {
    SCOPED_TRACE(keys);
    put(old);
    SettingsStore s(path());
    for (int k = 0; k < keys; ++k) s.writeString("fill", QStringLiteral("k%1").arg(k), "xxxxxxxx");
    {
      const FileSizeLimit full(8);
      EXPECT_FALSE(s.flush());
    }
    EXPECT_EQ(bytes(), old);
    EXPECT_FALSE(s.lastError().isEmpty());
    EXPECT_NE(s.lastError(), "Unknown error");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"mem.ini"});
  }
}

TEST_F(SettingsStoreTest, FlushOverAFolderFailsWithoutDamage) {
  // A path that cannot become a file (a folder stands there): the flush reports, nothing breaks.
  ASSERT_TRUE(QDir(dir.path()).mkdir("mem.ini"));
  SettingsStore s(path());
  s.writeInteger("connect", "adr", 6);
  EXPECT_FALSE(s.flush());
  EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(SettingsStoreTest, Windows1251RoundTrip) {
  const QString name = QStringLiteral("Концевик ВКЛ №1");
  put("[di_names]\r\nn1=" + cp1251::encode(name) + "\r\n");
  SettingsStore s(path());
  EXPECT_EQ(s.readString("di_names", "n1", ""), name);
  s.writeString("di_names", "n2", QStringLiteral("Ёлка"));
  ASSERT_TRUE(s.flush());
  EXPECT_EQ(bytes(), "[di_names]\r\nn1=" + cp1251::encode(name) +
                         "\r\nn2=" + cp1251::encode(QStringLiteral("Ёлка")) + "\r\n");
}

// A file of another program may hold any byte of the code page, even the unassigned 0x98:
// lines the program never touched are written back byte for byte.
TEST_F(SettingsStoreTest, EveryWindows1251ByteSurvivesAFlush) {
  QByteArray upper;
  for (int b = 0x80; b <= 0xFF; ++b) upper.append(char(b));
  put("[names]\r\nall=" + upper + "\r\n");
  SettingsStore s(path());
  s.writeString("names", "n1", QStringLiteral("Ёж"));
  ASSERT_TRUE(s.flush());
  EXPECT_EQ(bytes(), "[names]\r\nall=" + upper + "\r\nn1=" + cp1251::encode("Ёж") + "\r\n");
}

// "[ ]" names no section a program can ask for, but its lines stay apart from the section
// before it through a flush.
TEST_F(SettingsStoreTest, HeaderWithoutANameKeepsItsLinesApart) {
  put("[a]\r\nk=1\r\n [ ]\r\nk=2\r\n");
  SettingsStore s(path());
  ASSERT_TRUE(s.flush());
  EXPECT_EQ(bytes(), "[a]\r\nk=1\r\n [ ]\r\nk=2\r\n");
  EXPECT_EQ(SettingsStore(path()).readSectionValues("a"), QStringList{"k=1"});
}

TEST_F(SettingsStoreTest, Utf8WithBomStaysUtf8) {
  put("\xEF\xBB\xBF[motor]\nn1=" + QStringLiteral("Двигатель").toUtf8() + "\n");
  SettingsStore s(path());
  EXPECT_EQ(s.readString("motor", "n1", ""), QStringLiteral("Двигатель"));
  ASSERT_TRUE(s.flush());
  EXPECT_TRUE(bytes().startsWith("\xEF\xBB\xBF[motor]\nn1="));
  EXPECT_TRUE(bytes().contains(QStringLiteral("Двигатель").toUtf8()));
}

TEST_F(SettingsStoreTest, NewFileIsUtf8) {
  SettingsStore s(path());
  s.writeString("motor", "n1", QStringLiteral("24В"));
  ASSERT_TRUE(s.flush());
  EXPECT_EQ(bytes(), QStringLiteral("[motor]\r\nn1=24В\r\n").toUtf8());
}

TEST_F(SettingsStoreTest, Cp1251TableCoversTheCyrillicAlphabet) {
  QString all;
  for (char16_t c = 0x0410; c <= 0x044F; ++c) all.append(QChar(c));
  all += QStringLiteral("Ёё№");
  EXPECT_EQ(cp1251::decode(cp1251::encode(all)), all);
  EXPECT_EQ(cp1251::encode(QStringLiteral("€✓")), QByteArray("\x88?"));
  EXPECT_FALSE(cp1251::isValidUtf8(cp1251::encode(QStringLiteral("Пароль"))));
}

}  // namespace
