#include "cli_report.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/printable_text.h"

namespace ombrel::cli {

void ReportText(std::string_view text) {
  // Lines of one message may be split by '\n'; everything else that is not printable is escaped.
  std::string out = "ombrel-host: ";
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    out += host::PrintableText(text.substr(start, end == std::string_view::npos ? text.npos : end - start), true);
    if (end == std::string_view::npos) break;
    out += '\n';
    start = end + 1;
  }
  out += '\n';
  // What the command printed on stdout before this is shown first, so that a log of both
  // (2>&1 into a file or pipe) keeps their order.
  std::fflush(stdout);
  std::fputs(out.c_str(), stderr);
}

void Report(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  ReportText(text);
}

int StrictEnd(bool strict, size_t dropped) {
  if (!strict || dropped == 0) return kExitOk;
  Report("--strict: %zu shader input%s failed %s set-up", dropped, dropped == 1 ? "" : "s",
         dropped == 1 ? "its" : "their");
  return kExitDroppedInputs;
}

}  // namespace ombrel::cli
