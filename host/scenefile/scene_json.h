// Reading the JSON text of a scene file into a document, with the checks that need no plug-in
// made while the text is read: nesting depth, keys given twice, numbers beyond a double, unknown
// keys and the kinds of containers in the fixed parts of the format. A file refused for one of
// these stops at the fault, so a huge hostile file costs little time and memory.
#ifndef OMBREL_HOST_SCENEFILE_SCENE_JSON_H
#define OMBREL_HOST_SCENEFILE_SCENE_JSON_H

#include <cstddef>
#include <string>
#include <string_view>

#include "scenefile/json_checks.h"

namespace ombrel::host::scenefile {

struct JsonFault {
  std::string path;     // the field, as error messages name it ("" for the document)
  size_t offset = 0;    // byte of the text where the fault was found
  std::string message;
  bool syntax = false;  // the text is not JSON; `message` is the parser's (escaped) reason
};

// False with `fault` set at the first fault in file order; `document` is then unspecified.
bool ParseSceneJson(std::string_view text, Json& document, JsonFault& fault);

}  // namespace ombrel::host::scenefile

#endif
