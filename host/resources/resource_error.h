// Where and why reading a resource file failed.
#pragma once

#include <string>

namespace ombrel::host {

struct ResourceError {
  std::string file;   // path as the caller spelled it, '/' separated
  int line = 0;       // 1-based; 0 when the problem is the file or folder itself
  std::string message;

  // "file:line: message", or "file: message" without a line.
  std::string ToString() const {
    std::string text = file;
    if (line > 0) text += ":" + std::to_string(line);
    text += ": ";
    text += message;
    return text;
  }
};

}  // namespace ombrel::host
