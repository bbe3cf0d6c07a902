#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "params/ParameterTables.h"

struct ParameterContext;

// Parameter files: the main tab's tables (inputs, timers, motor, output logic) in an INI text
// file with the firmware version they came from. Saving and loading touch only the tables;
// nothing is written to the module here.

// Writes the tables into the file at `path`, keeping the sections of an existing file that
// this save does not write. A failure is shown through the link's prompter; false then.
bool saveParameterFile(const ParameterContext& ctx, const QString& path);

// The tables a parameter file holds, in the order of its sections.
inline constexpr std::array<ParameterTables::Id, 3> kParameterFileTables = {
    ParameterTables::Inps, ParameterTables::Timers, ParameterTables::Actu};

// What a parameter file holds for the identified module's tables.
struct ParameterFileValues {
  // Per table of kParameterFileTables: one text per row of the table as built now, as the file
  // has it, "---" for a row it lacks.
  std::array<QStringList, kParameterFileTables.size()> values;
  // do_settings, meaningful from firmware 103 on (non-zero counts as set).
  bool alarmOn = false;
  bool direct = false;
};

// Reads the file when its version is the identified module's; a mismatch or an unreadable file
// is shown through the link's prompter, exactly as loadParameterFile shows it; false then.
bool readParameterFile(const ParameterContext& ctx, const QString& path, ParameterFileValues* out);

// Fills the tables from the file when its version is the identified module's; a mismatch or
// an unreadable file is shown through the link's prompter and leaves the tables alone.
bool loadParameterFile(const ParameterContext& ctx, const QString& path);
