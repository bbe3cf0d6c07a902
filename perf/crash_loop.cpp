// Files survive a crash: the program's core (perf/crash_writer) writes mem.ini, tp.ini,
// prof.ini, a parameter file and the journal over and over and is killed with SIGKILL at a
// random moment, RUNS times; after each kill every file must be the old or the new one,
// readable and not empty, and the journal may lack at most its last line. Then a full disk (a
// file size limit, and a full tmpfs where one can be mounted) and a read-only folder: the
// write must say "Ошибка" and keep the old file.
//   usage: crash_loop [RUNS] [SEED]     (default 300 runs)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "perf/CrashLoop.h"

namespace {

bool run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// True when every write either failed with a box titled "Ошибка" and kept the old file, or
// fitted and left a whole new one.
bool report(const char* what, const FailedWriteResult& r) {
  std::printf(
      "%s: %d write(s) failed with \"Ошибка\" and kept the old file, %d fitted and "
      "wrote a whole new one%s\n",
      what, r.failedKept, r.writtenWhole,
      r.wrong.isEmpty() ? "" : qPrintable("; WRONG: " + r.wrong.join(", ")));
  for (const QString& b : r.boxes) std::printf("  e.g. %s\n", qPrintable(b));
  return r.wrong.isEmpty() && r.failedKept > 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  const uint32_t seed = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 1;
  QTemporaryDir dir;
  const CrashLoopResult r = runCrashLoop(dir.path(), runs, seed);
  std::printf("crash loop: %d of %d runs left every file old or new, readable, not empty\n",
              r.intactRuns, r.runs);
  std::printf(
      "  killed while writing mem.ini %d, tp.ini %d, prof.ini %d, params.txt %d, the "
      "journal %d, between writes %d\n",
      r.killedWhile[CrashLoopResult::Mem], r.killedWhile[CrashLoopResult::Tp],
      r.killedWhile[CrashLoopResult::Prof], r.killedWhile[CrashLoopResult::Params],
      r.killedWhile[CrashLoopResult::Journal], r.killedWhile[CrashLoopResult::Between]);
  std::printf("  journal: %d whole lines at the end; other files left in the folder: %d\n",
              r.journalLines, r.leftoverFiles);
  for (const QString& p : r.problems) std::printf("  %s\n", qPrintable(p));
  bool ok = r.intactRuns == r.runs;

  ok = report("full disk (file size limit 4096 bytes)", writeOnceAndCheck(dir.path(), 4096)) && ok;

  // A real full disk and a read-only folder: a small tmpfs, where mounting is allowed.
  QTemporaryDir mountPoint;
  const QString mnt = mountPoint.path();
  if (run("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", mnt})) {
    writeOnceAndCheck(mnt, -1);  // the files to keep
    {
      QFile filler(QDir(mnt).filePath("filler"));
      filler.open(QIODevice::WriteOnly);
      const QByteArray block(4096, 'f');
      while (filler.write(block) == block.size() && filler.flush()) {
      }
    }
    ok = report("full tmpfs", writeOnceAndCheck(mnt, -1)) && ok;
    QFile::remove(QDir(mnt).filePath("filler"));
    if (run("mount", {"-o", "remount,ro", mnt}))
      ok = report("read-only folder (tmpfs mounted read-only)", writeOnceAndCheck(mnt, -1)) && ok;
    run("umount", {mnt});
  } else {
    std::printf("full tmpfs: not measured (cannot mount one here)\n");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(dir.path()).isWritable())
      ok = report("read-only folder", writeOnceAndCheck(dir.path(), -1)) && ok;
    else
      std::printf("read-only folder: not measured (running with rights that ignore modes)\n");
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
  return ok ? 0 : 1;
}
