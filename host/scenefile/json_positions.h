// Where values of a JSON text start. The JSON library's document keeps no positions, so a light
// pass over the text finds them by path, for error messages that point at a line.
#ifndef OMBREL_HOST_SCENEFILE_JSON_POSITIONS_H
#define OMBREL_HOST_SCENEFILE_JSON_POSITIONS_H

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrel::host::scenefile {

struct TextPosition {
  int line = 1;
  int column = 1;  // in characters, not bytes
};

// Paths name values the way error messages show them: `objects[2].rect`,
// `shaders[0].params.GLENTCOLOR_HUE`; the document itself is "".
std::string MemberPath(std::string_view parent, std::string_view key);
std::string ItemPath(std::string_view parent, size_t index);

// Where the value at `path` starts in a JSON text the parser accepted, else its nearest
// ancestor that the text holds (a missing member points at the object that lacks it). One pass
// over the text that stops at the value, holding no more than the path being walked, so it
// costs nothing until an error message needs it. Never reads out of bounds, whatever the text.
TextPosition PositionOfPath(std::string_view text, std::string_view path);

// Line and column of a byte offset, counted as JsonPositions counts them.
TextPosition PositionOfOffset(std::string_view text, size_t offset);

}  // namespace ombrel::host::scenefile

#endif
