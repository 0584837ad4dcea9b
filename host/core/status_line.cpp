#include "status_line.h"

#include <algorithm>
#include <mutex>

#include "printable_text.h"
#include "terminal.h"

namespace ombrel::host {
namespace {

struct StatusLine {
  std::mutex mutex;
  std::FILE* out = nullptr;  // null: stderr
  int terminal = -1;         // -1: not asked yet
  size_t shown = 0;          // characters on the line now
  std::string text;          // what the line counts
  int64_t percent = -1;
};

StatusLine& Line() {
  static StatusLine line;
  return line;
}

std::FILE* Out(const StatusLine& line) { return line.out ? line.out : stderr; }

void Erase(StatusLine& line) {
  if (line.shown == 0) return;
  std::fprintf(Out(line), "\r%*s\r", static_cast<int>(line.shown), "");
  std::fflush(Out(line));
  line.shown = 0;
}

}  // namespace

void ShowProgress(std::string_view text, int64_t done, int64_t total) {
  StatusLine& line = Line();
  const std::lock_guard<std::mutex> lock(line.mutex);
  if (line.terminal < 0) line.terminal = IsTerminal(stderr) ? 1 : 0;
  if (line.terminal == 0 || total <= 0) return;
  if (done >= total) {
    Erase(line);
    line.percent = -1;
    line.text.clear();
    return;
  }
  const int64_t percent = done <= 0 ? 0 : done * 100 / total;
  if (percent == line.percent && text == line.text) return;
  line.percent = percent;
  line.text.assign(text);
  // A long file name would wrap and leave a second line behind: it is cut to its end.
  std::string shown = PrintableText(text);
  if (shown.size() > 50) shown = "..." + shown.substr(shown.size() - 47);
  shown += ": " + std::to_string(done) + " of " + std::to_string(total) + " (" + std::to_string(percent) + "%)";
  const size_t before = line.shown;
  std::fprintf(Out(line), "\r%s", shown.c_str());
  if (before > shown.size()) std::fprintf(Out(line), "%*s", static_cast<int>(before - shown.size()), "");
  std::fflush(Out(line));
  line.shown = std::max(before, shown.size());
}

void ClearStatus() {
  StatusLine& line = Line();
  const std::lock_guard<std::mutex> lock(line.mutex);
  Erase(line);
  line.percent = -1;
  line.text.clear();
}

void SetStatusOutput(std::FILE* out, bool terminal) {
  StatusLine& line = Line();
  const std::lock_guard<std::mutex> lock(line.mutex);
  line.out = out;
  line.terminal = terminal ? 1 : 0;
  line.shown = 0;
  line.percent = -1;
  line.text.clear();
}

}  // namespace ombrel::host
