#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/SessionJournal.h"
#include "support/FileSizeLimit.h"

namespace {

QStringList lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(SessionJournal, RecordsEachChangeOfTheLinkLineStamped) {
  QTemporaryDir dir;
  SessionJournal journal(dir.filePath("tarvix.log"));
  for (const char* text : {"Ошибка открытия порта", "Ошибка открытия порта", "МОДУЛЬ НА СВЯЗИ",
                           "МОДУЛЬ НА СВЯЗИ", "Ошибка открытия порта"})
    journal.linkChanged(QString::fromUtf8(text));
  const QStringList got = lines(dir.filePath("tarvix.log"));
  ASSERT_EQ(got.size(), 3);
  const QRegularExpression stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
  EXPECT_TRUE(stamp.match(got[0]).hasMatch()) << got[0].toStdString();
  EXPECT_TRUE(got[1].endsWith("МОДУЛЬ НА СВЯЗИ"));
}

TEST(SessionJournal, RotatesPastItsLimit) {
  QTemporaryDir dir;
  SessionJournal journal(dir.filePath("tarvix.log"), 100);
  for (int i = 0; i < 10; ++i) journal.append(QStringLiteral("event %1").arg(i));
  const QStringList current = lines(dir.filePath("tarvix.log"));
  const QStringList previous = lines(dir.filePath("tarvix.log.1"));
  EXPECT_FALSE(previous.isEmpty());
  EXPECT_LE(QFile(dir.filePath("tarvix.log")).size(), 100 + 40);
  EXPECT_TRUE(current.last().endsWith("event 9"));
  EXPECT_EQ(current.size() + previous.size() <= 10, true);
}

// On a full disk a line that does not fit goes entirely: the lines after it start on a line of
// their own.
TEST(SessionJournal, FullDiskLeavesNoHalfLine) {
  QTemporaryDir dir;
  const QString path = dir.filePath("tarvix.log");
  SessionJournal journal(path);
  journal.append(QStringLiteral("first"));
  const qint64 size = QFileInfo(path).size();
  {
    const FileSizeLimit full(rlim_t(size) + 10);
    journal.append(QStringLiteral("a line that does not fit in ten bytes"));
  }
  EXPECT_EQ(QFileInfo(path).size(), size);
  journal.append(QStringLiteral("third"));
  const QStringList got = lines(path);
  ASSERT_EQ(got.size(), 2);
  EXPECT_TRUE(got[1].endsWith(" third"));
}

}  // namespace
