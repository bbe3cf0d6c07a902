// "Сравнить с файлом...": the file dialog, the worker's comparison served by a poll pass, the
// dialog of differences, and "Записать отличия" / "Закрыть", against the simulated module.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "params/ParameterFile.h"
#include "params/TableTransfer.h"
#include "params/ui/ParameterComparisonAction.h"
#include "params/ui/ParameterComparisonDialog.h"
#include "support/SimCore.h"
#include "ui/ModalAnswerer.h"

namespace {

class ParameterComparisonUiTest : public ::testing::Test, public SimCore {
 protected:
  ParameterComparisonUiTest() {
    bus.module().installFirmware(205);
    EXPECT_TRUE(online());
    EXPECT_TRUE(TableTransfer(core->parameterContext()).readMainTables());
    EXPECT_TRUE(saveParameterFile(core->parameterContext(), dir.filePath("set.txt")));
    bus.module().setWriteHook([this](uint16_t first, uint16_t) { written.push_back(first); });
  }

  // What the dialog showed.
  struct Seen {
    QString result;
    QString unwritten;  // the line on typed values, when shown
    QStringList rows;   // the cells of each row joined by '|'
    bool writeOffered = false;
  };
  // Clicks the button, picks set.txt, lets the poll passes serve the requests, and answers the
  // dialog of differences with "Записать отличия" or "Закрыть".
  Seen compare(bool writeDifferences) {
    Seen seen;
    ModalAnswerer answerer([&](QWidget* modal) {
      if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        EXPECT_EQ(files->objectName(), "OpenDialogCompare");
        files->selectFile(dir.filePath("set.txt"));
        QMetaObject::invokeMethod(
            files, [files] { static_cast<QDialog*>(files)->accept(); }, Qt::QueuedConnection);
      } else if (auto* dialog = qobject_cast<ParameterComparisonDialog*>(modal)) {
        seen.result = dialog->labelResult()->text();
        if (!dialog->labelUnwritten()->isHidden())
          seen.unwritten = dialog->labelUnwritten()->text();
        seen.writeOffered = !dialog->buttonWriteDifferences()->isHidden();
        const QTableWidget* grid = dialog->stringGridDifferences();
        for (int r = 0; r < grid->rowCount(); ++r) {
          QStringList cells;
          for (int c = 0; c < grid->columnCount(); ++c) cells << grid->item(r, c)->text();
          seen.rows << cells.join('|');
        }
        (writeDifferences ? dialog->buttonWriteDifferences() : dialog->buttonClose())->click();
      }
    });
    button.click();
    EXPECT_TRUE(core->requests.module[RequestFlags::CompareWithFile]);
    for (int pass = 0; pass < 3; ++pass) {
      cycle->pollPass();
      QApplication::processEvents();  // the served request reaches the window queued
    }
    EXPECT_FALSE(core->requests.module[RequestFlags::CompareWithFile]);
    EXPECT_FALSE(core->requests.module[RequestFlags::WriteDifferences]);
    return seen;
  }

  QWidget window;
  QPushButton button;
  ParameterComparisonAction action{&window, core->parameterContext(), &button};
  std::vector<int> written;
};

TEST_F(ParameterComparisonUiTest, WriteDifferencesWritesTheRowsShownAndCloseWritesNothing) {
  const uint16_t old = bus.module().get(68);
  bus.module().set(68, uint16_t(old + 1));
  const QString row = "Параметры дискретных входов|" +
                      core->params.tables.name(ParameterTables::Inps, 0) + "|68|" +
                      QString::number(old + 1) + "|" + QString::number(old);

  Seen seen = compare(false);
  EXPECT_EQ(seen.result, "Параметров в модуле, отличающихся от файла: 1");
  EXPECT_EQ(seen.unwritten, "");
  EXPECT_EQ(seen.rows, QStringList({row}));
  EXPECT_TRUE(seen.writeOffered);
  EXPECT_TRUE(written.empty());

  seen = compare(true);
  EXPECT_EQ(seen.rows, QStringList({row}));
  EXPECT_EQ(written, std::vector<int>({68}));
  EXPECT_EQ(bus.module().get(68), old);

  // Nothing differs now, and the dialog says so.
  written.clear();
  seen = compare(true);
  EXPECT_EQ(seen.result, "Отличий нет: параметры в модуле совпадают с файлом.");
  EXPECT_TRUE(seen.rows.isEmpty());
  EXPECT_FALSE(seen.writeOffered);
  EXPECT_TRUE(written.empty());
  EXPECT_TRUE(prompter.boxes.empty());
}

// Values typed into the tables and not written are not in the module: a comparison that finds
// nothing says so, and counts them.
TEST_F(ParameterComparisonUiTest, TypedValuesAreCountedBesideTheResult) {
  ParameterTables& t = core->params.tables;
  t.setCellText(ParameterTables::Inps, 0,
                QString::number(t.bufferValue(ParameterTables::Inps, 0) + 1));
  t.setCellText(ParameterTables::Timers, 1,
                QString::number(t.bufferValue(ParameterTables::Timers, 1) + 1));
  const Seen seen = compare(false);
  EXPECT_EQ(seen.result, "Отличий нет: параметры в модуле совпадают с файлом.");
  EXPECT_EQ(seen.unwritten,
            "Введено в таблицы и не записано в модуль значений: 2. С файлом сравнивались "
            "значения, которые хранит модуль.");
  EXPECT_TRUE(written.empty());
}

}  // namespace
