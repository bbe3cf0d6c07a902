#pragma once

#ifdef _WIN32
// Windows has no per-process file size limit: the full-disk tests are left out of the Windows
// run (scripts/windows-tests.sh), and this keeps their sources compiling.
using rlim_t = unsigned long long;
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t) {}
};
#else
#include <signal.h>
#include <sys/resource.h>

// A full disk for this process while the object lives: files cannot grow past `bytes`, and a
// write that would is refused (EFBIG) instead of ending the process with SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    savedHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, savedHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t savedHandler_ = SIG_DFL;
};
#endif
