#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

class ParameterTables;
class SettingsStore;

// What the crash loop's child (perf/crash_writer) writes into the files, and how the loop
// tells a whole file of one generation from a damaged one.
namespace crashfiles {

constexpr int kKeys = 200;  // per settings file, with a long value each: about 80 KB
constexpr int kJournalLinesPerGeneration = 5;
constexpr const char* kParameterFile = "params.txt";
constexpr const char* kStores[] = {"mem.ini", "tp.ini", "prof.ini"};

// Section "crash" of the store: every key carries the generation.
void fill(SettingsStore& store, int generation);
// The generation every value of the store's "crash" section carries; 0 without the section,
// -1 when the values disagree or one is missing or cut short.
int generationOf(const SettingsStore& store);
// Every value cell of the parameter file's tables.
void fillTables(ParameterTables& tables, int generation);
// The generation of a parameter file written by saveParameterFile after fillTables, as above.
int parameterFileGeneration(const QString& path);
QString journalText(int generation, int line);

}  // namespace crashfiles

struct CrashLoopResult {
  int runs = 0;
  int intactRuns = 0;  // every file old or new, readable, none empty; the journal whole
  // Where the kill found the child: flushing mem.ini, tp.ini, prof.ini, saving params.txt,
  // appending to tarvix.log, or between two writes.
  enum Moment { Mem, Tp, Prof, Params, Journal, Between, MomentCount };
  std::array<int, MomentCount> killedWhile{};
  int journalLines = 0;   // at the end, in tarvix.log and tarvix.log.1
  int leftoverFiles = 0;  // other files in the folder at the end (temporary files)
  QStringList problems;   // the first ones, described
};

// Starts the child in `dir` `runs` times and kills it (SIGKILL) at a random moment within
// `maxDelayMs` of it being ready, checking every file after each kill.
CrashLoopResult runCrashLoop(const QString& dir, int runs, uint32_t seed, int maxDelayMs = 250);

// One generation written by the child where the files may not grow past `fileSizeLimit` bytes
// (a full disk), or into a folder it may not write (limit < 0): the message boxes it showed, and
// for each of the four files whether its write failed with a box and kept the old bytes, or
// went through whole.
struct FailedWriteResult {
  int exitCode = -1;
  QStringList boxes;     // "CAPTION: TEXT"
  int failedKept = 0;    // writes told in a box titled "Ошибка" that left the old bytes
  int writtenWhole = 0;  // writes that fitted and left a whole new file
  QStringList wrong;     // files in neither state
};
FailedWriteResult writeOnceAndCheck(const QString& dir, long fileSizeLimit);

QString crashWriterPath();
// Gives a new folder the mem.ini the child needs (the simulated port's name).
void prepareCrashFolder(const QString& dir);
