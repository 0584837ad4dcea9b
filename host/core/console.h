// The host console: every line a module prints, kept in order and optionally echoed.
#ifndef OMBREL_HOST_CONSOLE_H
#define OMBREL_HOST_CONSOLE_H

#include <cstdio>
#include <string>
#include <vector>

namespace ombrel::host {

class Console {
 public:
  void Print(std::string line) {
    if (echo_) std::fprintf(stdout, "%s\n", line.c_str());
    lines_.push_back(std::move(line));
  }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }
  void SetEcho(bool echo) { echo_ = echo; }

 private:
  std::vector<std::string> lines_;
  bool echo_ = false;
};

}  // namespace ombrel::host

#endif
