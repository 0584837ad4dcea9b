// How far a check has come, in memory a watching process shares with the one that runs it: the
// watcher names the case that crashed or hung, and counts the cases of a long check.
#ifndef OMBREL_HOST_VALIDATE_CASE_PROGRESS_H
#define OMBREL_HOST_VALIDATE_CASE_PROGRESS_H

#include <atomic>
#include <cstdint>

namespace ombrel::validate {

struct CaseProgress {
  std::atomic<int64_t> current{-1};  // the case running; -1 before the first
  std::atomic<int64_t> started{0};   // cases started so far
};

}  // namespace ombrel::validate

#endif
