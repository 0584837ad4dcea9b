// Where each value of a JSON text starts. The JSON library's document keeps no positions, so a
// second, light pass over the text records them by path, for error messages that point at a line.
#ifndef OMBREL_HOST_SCENEFILE_JSON_POSITIONS_H
#define OMBREL_HOST_SCENEFILE_JSON_POSITIONS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ombrel::host::scenefile {

struct TextPosition {
  int line = 1;
  int column = 1;  // in characters, not bytes
};

// Paths name values the way error messages show them: `objects[2].rect`,
// `shaders[0].params.GLENTCOLOR_HUE`; the document itself is "".
std::string MemberPath(std::string_view parent, std::string_view key);
std::string ItemPath(std::string_view parent, size_t index);

struct ScanProblem {
  std::string path;
  TextPosition at;
  std::string message;
};

class JsonPositions {
 public:
  // Records the start of every value. Meant for text the JSON parser accepted, or that it gave up
  // on at an out-of-range number; anything else is reported, never read out of bounds. Refuses a
  // key given twice in one object (the parser would silently keep the last), nesting deeper than
  // `maxDepth`, and numbers too large for a double.
  bool Scan(std::string_view text, int maxDepth, ScanProblem& problem);

  // The start of the value at `path`, else of its nearest recorded ancestor (a missing member
  // points at the object that lacks it).
  TextPosition At(std::string_view path) const;

 private:
  std::unordered_map<std::string, TextPosition> starts_;
};

// Line and column of a byte offset, counted as JsonPositions counts them.
TextPosition PositionOfOffset(std::string_view text, size_t offset);

}  // namespace ombrel::host::scenefile

#endif
