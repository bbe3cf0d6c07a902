#include "tools/InterruptGuard.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#endif

namespace {

std::atomic_bool* stopFlag = nullptr;

#ifdef Q_OS_WIN
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  InterruptGuard::interrupt();
  return TRUE;
}
#else
struct sigaction previous {};
void onInterrupt(int) { InterruptGuard::interrupt(); }
#endif

}  // namespace

InterruptGuard::InterruptGuard(std::atomic_bool& flag) {
  stopFlag = &flag;
#ifdef Q_OS_WIN
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
#endif
}

void InterruptGuard::interrupt() {
  if (stopFlag) stopFlag->store(false);
}

InterruptGuard::~InterruptGuard() {
#ifdef Q_OS_WIN
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#else
  sigaction(SIGINT, &previous, nullptr);
#endif
  stopFlag = nullptr;
}
