#pragma once

#include <QStringList>
#include <cstdint>

// Random and mangled files fed to the INI store (core/SettingsStore) and to the parameter file
// reader (params/ParameterFile): random bytes, Windows-1251 and UTF-8 text mixed line by line,
// invalid UTF-8, stray CR and NUL bytes, a BOM, and now and then a line of 1 MB.
//
// INI store: a file read, flushed and read again keeps every section and value, a second flush
// writes the same bytes, and a value written survives the flush.
// Parameter files: a load takes each cell from the file (or "---") or, on a version mismatch,
// changes none; a save over the file keeps every section it does not write.
struct FileFuzzResult {
  int iniFiles = 0;
  int parameterFiles = 0;
  int parameterFilesLoaded = 0;  // with the right version
  int megabyteLines = 0;
  int faults = 0;
  QStringList examples;
};

FileFuzzResult runFileFuzz(int files, uint32_t seed);
