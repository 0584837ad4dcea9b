// The edit command's script file: read only from a regular file, parsed with bounded nesting and
// without keys given twice, and able to say where in the file each step and field lies, in the
// scene files' form FILE:LINE:COLUMN.
#ifndef OMBREL_HOST_CLI_EDIT_SCRIPT_H
#define OMBREL_HOST_CLI_EDIT_SCRIPT_H

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace ombrel::cli {

struct EditScript {
  std::string name;          // the file as the user named it
  std::string text;          // its bytes, for finding positions when a message needs one
  std::string stepsPath;     // "steps" for {"steps": [...]}, "" for a bare list
  nlohmann::ordered_json steps;  // an array

  // "FILE:LINE:COLUMN" of the value at `field` (a path such as "drag" or "moves[1]") in step
  // `index`, or of the step itself when `field` is empty or not in the step.
  std::string Where(size_t index, std::string_view field = {}) const;
};

// False with `error` ("FILE:LINE:COLUMN: what is wrong", or FILE and the reason the file cannot
// be read) when the file is no edit script; the steps themselves are checked by the command.
bool ReadEditScript(const std::string& file, EditScript& script, std::string& error);

}  // namespace ombrel::cli

#endif
