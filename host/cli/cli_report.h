// How ombrel-host ends and speaks: its exit codes and the one style of its messages.
#ifndef OMBREL_HOST_CLI_CLI_REPORT_H
#define OMBREL_HOST_CLI_CLI_REPORT_H

#include <cstddef>
#include <string_view>

namespace ombrel::cli {

// The exit codes, as README.md documents them. Scripts and CI rely on these numbers.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,          // the command could not do its job; the message says why
  kExitUsage = 2,           // the command line is wrong; nothing was loaded or written
  kExitDroppedInputs = 3,   // --strict: done, but a shader input failed its set-up and was left out
};

// Prints "ombrel-host: " and the formatted text to stderr, one line. Control bytes in the
// result are shown as \xNN: messages quote file names, scene names and input lines.
// (MinGW's C++ library formats the GNU way, %zu included, where plain `printf` would be checked
// against the Windows runtime's own.)
#if defined(__MINGW32__)
[[gnu::format(gnu_printf, 1, 2)]] void Report(const char* format, ...);
#else
[[gnu::format(printf, 1, 2)]] void Report(const char* format, ...);
#endif

// The same for text that is already formatted.
void ReportText(std::string_view text);

// The end of a command that set shaders up: kExitOk, or with --strict and inputs dropped in the
// set-up, a report of them and kExitDroppedInputs.
int StrictEnd(bool strict, size_t dropped);

}  // namespace ombrel::cli

#endif
