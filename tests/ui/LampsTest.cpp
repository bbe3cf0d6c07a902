// The lamps and the indicator follow the core state.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "app/SidePanel.h"
#include "app/TForm1.h"
#include "params/ErrorsPage.h"
#include "params/Identification.h"
#include "params/ParamGrid.h"

namespace {

TEST(Lamps, ColoursComeFromTheRegistersRead) {
  QTemporaryDir dir;
  ParamTables tables;
  QTableWidget inputs, outputs, errors;
  bool online = true;
  ParamGrid in(&inputs, tables, ParamTables::DigInputs, ParamGrid::Lamp::NonZeroLime);
  ParamGrid out(&outputs, tables, ParamTables::DigOutputs, ParamGrid::Lamp::Bit0Red);
  ParamGrid err(&errors, tables, ParamTables::Errors, ParamGrid::Lamp::NonZeroRedWhileOnline,
                [&] { return online; });
  const uint16_t values[] = {2, 0};
  tables.setStructure(ParamTables::DigInputs, "", 16, 2, {"a", "b"});
  tables.setStructure(ParamTables::DigOutputs, "", 128, 2, {"a", "b"});
  tables.setStructure(ParamTables::Errors, "", 48, 2, {"a", "b"});
  tables.storeRead(ParamTables::DigInputs, values, 2);
  tables.storeRead(ParamTables::DigOutputs, values, 2);
  tables.storeRead(ParamTables::Errors, values, 2);

  const QColor grey(160, 160, 160);
  EXPECT_EQ(in.lampColour(0), QColor(0, 255, 0));  // any non-zero input lights
  EXPECT_EQ(in.lampColour(1), grey);
  EXPECT_EQ(out.lampColour(0), grey);  // 2 has bit 0 clear
  EXPECT_EQ(tables.cellText(ParamTables::DigOutputs, 0), "0");
  EXPECT_EQ(err.lampColour(0), QColor(255, 0, 0));
  online = false;
  EXPECT_FALSE(err.lampColour(0).isValid());  // offline: the cell shows its text ("---")
}

TEST(Lamps, WindowShowsTheTablesAndTheIndicator) {
  QTemporaryDir dir;
  TForm1 form(dir.path());
  AppContext& core = form.core();
  core.params.tables.setStructure(ParamTables::DigInputs, "", 16, 17, QStringList(17, "in"));
  const uint16_t values[17] = {1};
  core.params.tables.storeRead(ParamTables::DigInputs, values, 17);
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
