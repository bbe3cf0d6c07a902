// The child of the crash loop (perf/crash_loop): the program's core in folder DIR, on the
// simulated module in memory, writing its files with the program's own code over and over:
// mem.ini, tp.ini and prof.ini (the settings store's flush), params.txt (the parameter file
// save) and tarvix.log (the session journal). Each file gets generation G in every value, so a
// file that mixes two generations, or ends early, shows. Before and after each write it says
// so on standard output, unbuffered:  begin FILE G | done FILE G | logged G N.
//   usage: crash_writer DIR                  write until killed
//          crash_writer DIR --once [--fsize BYTES]
//                                            one generation; message boxes to standard output
//                                            (with --fsize, files may grow to BYTES at most)
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/AppContext.h"
#include "core/Prompter.h"
#include "params/ParameterFile.h"
#include "params/TableTransfer.h"
#include "perf/CrashLoop.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"

namespace {

void say(const QByteArray& line) {
  const QByteArray out = line + '\n';
  [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, out.constData(), size_t(out.size()));
}

class PrintingPrompter : public Prompter {
 public:
  void showMessage(const QString& caption, const QString& text, Icon) override {
    say("box " + caption.toUtf8() + ": " + QString(text).replace('\n', " | ").toUtf8());
  }
  bool confirm(const QString& caption, const QString& text) override {
    showMessage(caption, text, Icon::Information);
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: crash_writer DIR [--once [--fsize BYTES]]\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const bool once = argc > 2 && std::strcmp(argv[2], "--once") == 0;
  long fsize = -1;
  if (once && argc > 4 && std::strcmp(argv[3], "--fsize") == 0) fsize = std::atol(argv[4]);

  VirtualClock clock;
  SimBus bus;
  PrintingPrompter prompter;
  auto line = std::make_unique<MemoryLine>(bus, clock);
  AppContext core(dir, prompter, std::move(line), clock);
  for (int pass = 0; pass < 3 && !core.flags.moduleOnline; ++pass) core.cycle().pollPass();
  if (!core.flags.moduleOnline || !TableTransfer(core.parameterContext()).readMainTables()) {
    std::fprintf(stderr, "crash_writer: the simulated module did not come online\n");
    return 2;
  }
  if (fsize >= 0) {
    // A full disk: a write past the limit fails with EFBIG instead of ending the process.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{rlim_t(fsize), rlim_t(fsize)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }

  SettingsStore* stores[] = {&core.mem, &core.tp, &core.prof};
  const char* names[] = {"mem.ini", "tp.ini", "prof.ini"};
  int generation = crashfiles::generationOf(core.mem) + 1;
  int journalLine = 0;
  say("ready");
  bool allWritten = true;
  do {
    const QByteArray g = QByteArray::number(generation);
    for (int i = 0; i < 3; ++i) {
      crashfiles::fill(*stores[i], generation);
      say(QByteArray("begin ") + names[i] + ' ' + g);
      if (!flushOrReport(*stores[i], prompter)) {
        allWritten = false;
        continue;
      }
      say(QByteArray("done ") + names[i] + ' ' + g);
    }
    crashfiles::fillTables(core.params.tables, generation);
    say("begin params.txt " + g);
    if (saveParameterFile(core.parameterContext(), QDir(dir).filePath(crashfiles::kParameterFile)))
      say("done params.txt " + g);
    else
      allWritten = false;
    for (int n = 0; n < crashfiles::kJournalLinesPerGeneration; ++n, ++journalLine) {
      core.journal.append(crashfiles::journalText(generation, journalLine));
      say("logged " + g + ' ' + QByteArray::number(journalLine));
    }
    ++generation;
  } while (!once);
  return allWritten ? 0 : 1;
}
