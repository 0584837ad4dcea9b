#include "child_run.h"

#ifndef _WIN32

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrel::validate {

namespace {

// The last bytes of every answer: an answer without them was cut off by the end of the process.
constexpr char kEndMark[] = "\nEND\n";
constexpr int64_t kProgressEveryMs = 5000;

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

std::string SignalName(int signal) {
  const char* name = strsignal(signal);
  return std::string("signal ") + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
}

ChildOutcome RunInChild(const std::function<std::string(CaseProgress&)>& body, int64_t timeoutMs,
                        const ChildProgress& progress) {
  ChildOutcome outcome;
  void* shared = ::mmap(nullptr, sizeof(CaseProgress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return outcome;
  auto* cases = new (shared) CaseProgress();
  int fds[2];
  if (::pipe(fds) != 0) {
    ::munmap(shared, sizeof(CaseProgress));
    return outcome;
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // This process's crash is reported by the parent, which waits for it.
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(s, SIG_DFL);
    ::close(fds[0]);
    WriteAll(fds[1], body(*cases) + kEndMark);
    ::close(fds[1]);
    std::fflush(nullptr);
    ::_exit(0);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    ::munmap(shared, sizeof(CaseProgress));
    return outcome;
  }

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  Clock::time_point caseStart = start, lastProgress = start;
  int64_t seenStarted = 0;
  bool timedOut = false;
  std::string text;
  char buffer[4096];
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 200);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // the child closed its end: it is done, or dead
      text.append(buffer, static_cast<size_t>(n));
    }
    const Clock::time_point now = Clock::now();
    const int64_t started = cases->started.load();
    if (started != seenStarted) {
      seenStarted = started;
      caseStart = now;
    }
    // In milliseconds, so that no timeout the command line takes can overflow the clock's units.
    const int64_t caseMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - caseStart).count();
    if (timeoutMs > 0 && caseMs > timeoutMs) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    if (progress && now - lastProgress >= std::chrono::milliseconds(kProgressEveryMs)) {
      lastProgress = now;
      progress(started, std::chrono::duration<double>(now - start).count());
    }
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.atCase = cases->current.load();
  outcome.casesStarted = cases->started.load();
  ::munmap(shared, sizeof(CaseProgress));

  const size_t markAt = text.size() >= sizeof kEndMark - 1 ? text.size() - (sizeof kEndMark - 1) : std::string::npos;
  const bool whole = markAt != std::string::npos && text.compare(markAt, std::string::npos, kEndMark) == 0;
  if (timedOut) {
    outcome.end = ChildOutcome::End::TimedOut;
  } else if (WIFSIGNALED(status)) {
    outcome.end = ChildOutcome::End::Signalled;
    outcome.code = WTERMSIG(status);
  } else if (!whole || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    outcome.end = ChildOutcome::End::Exited;
    outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else {
    outcome.end = ChildOutcome::End::Finished;
    outcome.answer = text.substr(0, markAt);
  }
  return outcome;
}

}  // namespace ombrel::validate

#endif
