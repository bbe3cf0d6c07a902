// The program speaks Russian whatever the system's locale: the file dialogs' list of files
// included, whose sizes and dates Qt takes from the system.
#include <gtest/gtest.h>

#include <QAbstractProxyModel>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/ui/RussianInterface.h"
#include "support/WaitUntil.h"

namespace {

TEST(RussianInterface, FileDialogListsSizesTypesAndDatesInRussian) {
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("Профили"));
  QFile file(dir.filePath("set.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("12345");
  file.close();

  QFileDialog dialog;
  prepareFileDialog(dialog);
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  dialog.setDirectory(dir.path());
  QAbstractProxyModel* list = dialog.proxyModel();
  ASSERT_NE(list, nullptr);
  auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
  ASSERT_NE(files, nullptr);
  const QModelIndex root = list->mapFromSource(files->index(dir.path()));
  // The model lists the folder on a thread of its own.
  ASSERT_TRUE(waitUntil([&] {
    QCoreApplication::processEvents();
    return list->rowCount(root) == 2;
  }));
  QMap<QString, QStringList> rows;
  for (int r = 0; r < 2; ++r) {
    QStringList cells;
    for (int c = 0; c < 4; ++c) cells << list->index(r, c, root).data().toString();
    rows[cells[0]] = cells;
  }
  EXPECT_EQ(rows["Профили"][2], "Папка");
  EXPECT_EQ(rows["set.txt"][1], "5 байт");
  EXPECT_NE(rows["set.txt"][2], "plain text document");
  // dd.MM.yyyy hh:mm, Russian short form
  const QRegularExpression russianDate("^\\d{2}\\.\\d{2}\\.\\d{4} \\d{1,2}:\\d{2}$");
  for (const QStringList& row : rows)
    EXPECT_TRUE(russianDate.match(row[3]).hasMatch()) << row[3].toStdString();
}

}  // namespace
