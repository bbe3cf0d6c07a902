// The lamps and the indicator follow the core state.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SidePanel.h"
#include "params/Identification.h"
#include "params/ui/ErrorsPage.h"
#include "params/ui/ParameterGrid.h"

namespace {

TEST(Lamps, ColoursComeFromTheRegistersRead) {
  QTemporaryDir dir;
  ParameterTables tables;
  QTableWidget inputs, outputs, errors;
  bool online = true;
  ParameterGrid in(&inputs, tables, ParameterTables::DigInputs, ParameterGrid::Lamp::NonZeroLime);
  ParameterGrid out(&outputs, tables, ParameterTables::DigOutputs, ParameterGrid::Lamp::Bit0Red);
  ParameterGrid err(&errors, tables, ParameterTables::Errors,
                    ParameterGrid::Lamp::NonZeroRedWhileOnline, [&] { return online; });
  const uint16_t values[] = {2, 0};
  tables.setStructure(ParameterTables::DigInputs, "", 16, 2, {"a", "b"});
  tables.setStructure(ParameterTables::DigOutputs, "", 128, 2, {"a", "b"});
  tables.setStructure(ParameterTables::Errors, "", 48, 2, {"a", "b"});
  tables.storeRead(ParameterTables::DigInputs, values, 2);
  tables.storeRead(ParameterTables::DigOutputs, values, 2);
  tables.storeRead(ParameterTables::Errors, values, 2);

  const QColor grey(160, 160, 160);
  EXPECT_EQ(in.lampColour(0), QColor(0, 255, 0));  // any non-zero input lights
  EXPECT_EQ(in.lampColour(1), grey);
  EXPECT_EQ(out.lampColour(0), grey);  // 2 has bit 0 clear
  EXPECT_EQ(tables.cellText(ParameterTables::DigOutputs, 0), "0");
  EXPECT_EQ(err.lampColour(0), QColor(255, 0, 0));
  online = false;
  EXPECT_FALSE(err.lampColour(0).isValid());  // offline: the cell shows its text ("---")
}

TEST(Lamps, WindowShowsTheTablesAndTheIndicator) {
  QTemporaryDir dir;
  MainWindow form(dir.path());
  AppContext& core = form.core();
  core.params.tables.setStructure(ParameterTables::DigInputs, "", 16, 17, QStringList(17, "in"));
  const uint16_t values[17] = {1};
  core.params.tables.storeRead(ParameterTables::DigInputs, values, 17);
  core.flags.moduleOnline = true;
  core.status.setText(StatusLine::Link, "МОДУЛЬ НА СВЯЗИ");
  QCoreApplication::processEvents();
  QTableWidget* grid = form.sidePanel()->stringGridDigInputs();
  ASSERT_EQ(grid->rowCount(), 17);
  EXPECT_EQ(grid->item(0, 1)->text(), "1");
  EXPECT_EQ(form.statusPanel(0)->text(), "МОДУЛЬ НА СВЯЗИ");
  EXPECT_EQ(form.tabSheetFirm()->stringGridErrors()->rowCount(), 12);  // built empty at start
}

}  // namespace
