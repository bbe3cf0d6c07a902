// Random and mangled INI and parameter files: nothing lost, nothing changed, nothing crashes.
#include <gtest/gtest.h>

#include "perf/FileFuzz.h"

TEST(FileFuzz, SettingsAndParameterFilesSurviveWhateverTheyHold) {
  const FileFuzzResult r = runFileFuzz(60, 5);
  EXPECT_EQ(r.faults, 0) << r.examples.join('\n').toStdString();
  EXPECT_EQ(r.megabyteLines, 1);
  EXPECT_GT(r.parameterFilesLoaded, 5);
}
