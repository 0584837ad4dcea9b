// A piece of the validation run in a process of its own, watched from this one: a crash, an
// exit or a hang of the module ends that process only, and is reported with the case that was
// running. POSIX only (fork); Windows runs everything in the one process.
#ifndef OMBREL_HOST_VALIDATE_CHILD_RUN_H
#define OMBREL_HOST_VALIDATE_CHILD_RUN_H

#ifndef _WIN32

#include <cstdint>
#include <functional>
#include <string>

#include "case_progress.h"

namespace ombrel::validate {

struct ChildOutcome {
  enum class End {
    Finished,   // the body returned and its answer arrived whole
    Signalled,  // killed by a signal: `code` is the signal
    Exited,     // ended before the body returned (exit() in the module, a sanitizer): `code`
    TimedOut,   // a case ran longer than the timeout, and the process was killed
    NoProcess,  // no process could be started
  };
  End end = End::NoProcess;
  int code = 0;
  std::string answer;   // what the body returned
  int64_t atCase = -1;  // the case running when the process ended
  int64_t casesStarted = 0;
};

// Told about every few seconds while the process runs, with the cases it has started.
using ChildProgress = std::function<void(int64_t casesStarted, double seconds)>;

// Runs `body` in a child process and answers what it returned. With timeoutMs > 0 the child is
// killed when one case (or the time before the first) lasts longer than that.
ChildOutcome RunInChild(const std::function<std::string(CaseProgress&)>& body, int64_t timeoutMs,
                        const ChildProgress& progress);

// "signal 11 (Segmentation fault)".
std::string SignalName(int signal);

}  // namespace ombrel::validate

#endif
#endif
