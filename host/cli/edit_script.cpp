#include "edit_script.h"

#include <unordered_set>
#include <utility>
#include <vector>

#include "core/printable_text.h"
#include "core/regular_file.h"
#include "scenefile/json_positions.h"
#include "scenefile/scene_plan.h"

namespace ombrel::cli {
namespace {

using Json = nlohmann::ordered_json;
using host::scenefile::ItemPath;
using host::scenefile::MemberPath;

// Scripts are written by hand or by a fuzzer; nothing real comes near these.
constexpr std::uintmax_t kMaxScriptBytes = 64u << 20;
constexpr size_t kMaxNesting = static_cast<size_t>(host::scenefile::kMaxNesting);

struct ScriptFault {
  std::string path;
  std::string message;
};

// Follows the parser through the text and throws a ScriptFault at a container nested too deep
// (the document's own copy and destruction recurse) or a key given twice (the parser would keep
// the last one without a word).
class PathTracker {
 public:
  bool operator()(int, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start:
      case Json::parse_event_t::array_start: {
        std::string path = NextChild();
        if (frames_.size() >= kMaxNesting) {
          throw ScriptFault{path, "nested deeper than " + std::to_string(kMaxNesting) + " levels"};
        }
        frames_.push_back(Frame{event == Json::parse_event_t::array_start, 0, std::move(path), {}, {}});
        break;
      }
      case Json::parse_event_t::object_end:
      case Json::parse_event_t::array_end: frames_.pop_back(); break;
      case Json::parse_event_t::key: {
        Frame& f = frames_.back();
        f.key = parsed.get<std::string>();
        if (!f.keys.insert(f.key).second) {
          throw ScriptFault{MemberPath(f.path, f.key), "key \"" + host::PrintableText(f.key, true) + "\" given twice"};
        }
        break;
      }
      case Json::parse_event_t::value: NextChild(); break;
    }
    return true;
  }

 private:
  struct Frame {
    bool isArray;
    size_t items;
    std::string path;
    std::string key;
    std::unordered_set<std::string> keys;
  };

  std::string NextChild() {
    if (frames_.empty()) return "";
    Frame& f = frames_.back();
    return f.isArray ? ItemPath(f.path, f.items++) : MemberPath(f.path, f.key);
  }

  std::vector<Frame> frames_;
};

std::string At(const std::string& name, host::scenefile::TextPosition at) {
  return name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// "[json.exception.parse_error.101] parse error at line 3, column 4: syntax error while ..."
// loses its prefix: the position is given the scene files' way.
std::string ParserReason(std::string_view what) {
  const size_t column = what.find("column ");
  const size_t colon = what.find(": ", column == std::string_view::npos ? 0 : column);
  if (colon != std::string_view::npos) what.remove_prefix(colon + 2);
  std::string reason = host::PrintableText(what);
  if (reason.rfind("syntax error", 0) != 0) reason = "syntax error: " + reason;
  return reason;
}

}  // namespace

std::string EditScript::Where(size_t index, std::string_view field) const {
  std::string path = ItemPath(stepsPath, index);
  if (!field.empty()) path += (field.front() == '[' ? "" : ".") + std::string(field);
  return At(name, host::scenefile::PositionOfPath(text, path));
}

bool ReadEditScript(const std::string& file, EditScript& script, std::string& error) {
  script = EditScript{};
  script.name = file;
  const std::u8string u8(file.begin(), file.end());
  if (!host::ReadRegularFile(std::filesystem::path(u8), kMaxScriptBytes, {"an edit script", "edit scripts"},
                             script.text, error)) {
    return false;
  }
  Json doc;
  try {
    PathTracker tracker;
    doc = Json::parse(script.text, std::ref(tracker));
  } catch (const ScriptFault& fault) {
    error = At(file, host::scenefile::PositionOfPath(script.text, fault.path)) + ": " + fault.message;
    return false;
  } catch (const Json::parse_error& e) {
    const size_t offset = e.byte > 0 ? e.byte - 1 : 0;
    error = At(file, host::scenefile::PositionOfOffset(script.text, offset)) + ": " + ParserReason(e.what());
    return false;
  } catch (const Json::exception& e) {
    error = file + ": not a JSON file: " + ParserReason(e.what());
    return false;
  }
  const char* shape = "expected {\"steps\": [...]} or a list of steps";
  if (doc.is_object()) {
    for (const auto& [key, value] : doc.items()) {
      if (key != "steps") {
        error = At(file, host::scenefile::PositionOfPath(script.text, key)) + ": unknown key \"" +
                host::PrintableText(key, true) + "\"; " + shape;
        return false;
      }
    }
    if (!doc.contains("steps")) {
      error = At(file, {}) + ": " + shape;
      return false;
    }
    script.stepsPath = "steps";
    // Moved, not copied: the steps are taken out of the document whole.
    Json steps = std::move(doc["steps"]);
    doc = std::move(steps);
  }
  if (!doc.is_array()) {
    error = At(file, host::scenefile::PositionOfPath(script.text, script.stepsPath)) + ": " + shape;
    return false;
  }
  script.steps = std::move(doc);
  return true;
}

}  // namespace ombrel::cli
