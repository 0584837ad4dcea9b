#include "render/progress_bar.h"

#include "core/printable_text.h"
#include "core/terminal.h"

namespace ombrel::host {

namespace {

// A name longer than this would wrap the line on a narrow terminal and leave a half behind: its
// end, which tells files apart, is kept.
std::string Shown(std::string_view name) {
  constexpr size_t kLongest = 40;
  std::string text = PrintableText(name, true);
  if (text.size() > kLongest) {
    // Cut where a character starts, not inside one of UTF-8's.
    size_t from = text.size() - (kLongest - 3);
    while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80) ++from;
    text = "..." + text.substr(from);
  }
  return text;
}

}  // namespace

ProgressBar::ProgressBar(bool wanted) : out_(wanted && IsTerminal(stderr) ? stderr : nullptr) {}

ProgressBar::ProgressBar(bool wanted, std::FILE* out) : out_(wanted ? out : nullptr) {}

void ProgressBar::Phase(std::string_view name) {
  if (!out_) return;
  name_.assign(name);
  percent_ = -1;
  Draw(Shown(name));
}

void ProgressBar::Progress(std::string_view name, int64_t done, int64_t total) {
  if (!out_) return;
  const int percent = total <= 0 || done >= total ? 100 : done <= 0 ? 0 : static_cast<int>(done * 100 / total);
  if (percent == percent_ && name == name_) return;
  name_.assign(name);
  percent_ = percent;
  constexpr int kBar = 30;
  const int filled = percent * kBar / 100;
  std::string text = Shown(name) + " [";
  text.append(static_cast<size_t>(filled), '#');
  text.append(static_cast<size_t>(kBar - filled), ' ');
  text += "] ";
  const std::string number = std::to_string(percent);
  text.append(3 - number.size(), ' ');
  text += number + "%";
  Draw(text);
}

void ProgressBar::Clear() {
  if (!out_ || shown_ == 0) return;
  std::fprintf(out_, "\r%*s\r", static_cast<int>(shown_), "");
  std::fflush(out_);
  shown_ = 0;
  name_.clear();
  percent_ = -1;
}

void ProgressBar::Draw(const std::string& text) {
  // What a longer line before left is blanked out.
  const size_t blank = shown_ > text.size() ? shown_ - text.size() : 0;
  std::fprintf(out_, "\r%s%*s", text.c_str(), static_cast<int>(blank), "");
  if (blank > 0) std::fprintf(out_, "\r%s", text.c_str());
  std::fflush(out_);
  shown_ = text.size();
}

}  // namespace ombrel::host
