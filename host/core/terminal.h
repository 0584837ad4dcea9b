// Whether a stream is a terminal: what is drawn over itself (progress lines) and what asks the
// user (prompts) is only for a terminal, never for a log or a pipe.
#ifndef OMBREL_HOST_TERMINAL_H
#define OMBREL_HOST_TERMINAL_H

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace ombrel::host {

inline bool IsTerminal(std::FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return ::isatty(::fileno(stream)) == 1;
#endif
}

}  // namespace ombrel::host

#endif
