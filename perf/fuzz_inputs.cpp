// Fuzzing of everything the program reads from outside: Modbus replies (the client's read and
// both writes, and the frame decoders), INI files and parameter files. Run it in the
// AddressSanitizer and UndefinedBehaviorSanitizer build, where a read or write outside a
// buffer stops the run with a report:
//   build-asan/perf/fuzz_inputs [REPLIES] [FILES] [SEED]   (default 1000000 replies, 2000 files)
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "perf/FileFuzz.h"
#include "perf/ReplyFuzz.h"

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int replies = argc > 1 ? std::max(0, std::atoi(argv[1])) : 1000000;
  const int files = argc > 2 ? std::max(0, std::atoi(argv[2])) : 2000;
  const uint32_t seed = argc > 3 ? uint32_t(std::strtoul(argv[3], nullptr, 10)) : 1;
#if defined(__SANITIZE_ADDRESS__)
  std::printf("built with AddressSanitizer\n");
#else
  std::printf("built WITHOUT AddressSanitizer: out-of-buffer reads and writes go unseen\n");
#endif

  auto start = std::chrono::steady_clock::now();
  const ReplyFuzzResult r = runReplyFuzz(replies, seed);
  std::printf("replies: %d cases in %.1f s (read, write 16, write 6 in turn)\n", r.cases,
              seconds(start));
  for (int s = 0; s < ReplyFuzzResult::ShapeCount; ++s)
    std::printf("  %-10s %8d cases, %8d accepted\n", ReplyFuzzResult::shapeName(s), r.casesOf[s],
                r.acceptedOf[s]);
  std::printf("  faults (a non-answer taken, a register changed by a refused reply, ...): %d\n",
              r.wrongAccepts);
  for (const QString& e : r.examples) std::printf("    e.g. %s\n", qPrintable(e));

  start = std::chrono::steady_clock::now();
  const FileFuzzResult f = runFileFuzz(files, seed);
  std::printf(
      "files: %d INI files and %d parameter files (%d loaded; %d of each with a 1 MB "
      "line) in %.1f s\n",
      f.iniFiles, f.parameterFiles, f.parameterFilesLoaded, f.megabyteLines, seconds(start));
  std::printf("  faults (a value lost or changed, a file that does not load back, ...): %d\n",
              f.faults);
  for (const QString& e : f.examples) std::printf("    e.g. %s\n", qPrintable(e));
  std::printf("faults in all: %d\n", r.wrongAccepts + f.faults);
  return r.wrongAccepts + f.faults == 0 ? 0 : 1;
}
