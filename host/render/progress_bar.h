// The line on stderr that shows how far a long command has got, phase by phase: "reading
// scene.json", "rendering [######              ]  30%", "writing out.exr [##########] 100%".
// It is drawn only on a terminal, so logs and pipes never get carriage returns.
#ifndef OMBREL_HOST_RENDER_PROGRESS_BAR_H
#define OMBREL_HOST_RENDER_PROGRESS_BAR_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace ombrel::host {

class ProgressBar {
 public:
  // Draws when `wanted` and stderr is a terminal.
  explicit ProgressBar(bool wanted);
  // Draws on `out` when `wanted`, terminal or not: for the tests.
  ProgressBar(bool wanted, std::FILE* out);
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // A phase whose share done cannot be told: its name alone.
  void Phase(std::string_view name);
  // A phase that counts: its name, a bar and the percentage, redrawn only when one of them moves.
  void Progress(std::string_view name, int64_t done, int64_t total);
  // Empties the line, before a message would run into it.
  void Clear();

  bool Drawing() const { return out_ != nullptr; }

 private:
  void Draw(const std::string& text);
  std::FILE* out_ = nullptr;  // null: not drawn
  std::string name_;
  int percent_ = -1;
  size_t shown_ = 0;  // characters on the line now
};

}  // namespace ombrel::host

#endif
