// The host's status line: one line on stderr that long work redraws in place, as the
// application's status bar shows how far a long job has got. It is drawn only on a terminal, so
// logs and pipes never get half-lines or carriage returns.
#ifndef OMBREL_HOST_STATUS_LINE_H
#define OMBREL_HOST_STATUS_LINE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace ombrel::host {

// Shows "TEXT: DONE of TOTAL (P%)", redrawn only when the percentage moves, so that a loop
// over many thousand items costs a hundred writes. DONE == TOTAL ends it and clears the line.
void ShowProgress(std::string_view text, int64_t done, int64_t total);
// Removes what the line shows, before other output would run into it. Nothing when empty.
void ClearStatus();

// Where the line is drawn, and whether that is a terminal (default: stderr, when it is one).
void SetStatusOutput(std::FILE* out, bool terminal);

}  // namespace ombrel::host

#endif
