#pragma once

#include <QString>

struct ParamsContext;

// Parameter files: the main tab's tables (inputs, timers, motor, output logic) in an INI text
// file with the firmware version they came from. Saving and loading touch only the tables;
// nothing is written to the module here.

// Writes the tables into the file at `path`, keeping the sections of an existing file that
// this save does not write. A failure is shown through the link's prompter; false then.
bool saveParameterFile(const ParamsContext& ctx, const QString& path);

// Fills the tables from the file when its version is the identified module's; a mismatch or
// an unreadable file is shown through the link's prompter and leaves the tables alone.
bool loadParameterFile(const ParamsContext& ctx, const QString& path);
