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

// The document as the library builds it, with the path of every container followed on the way:
// a container nested too deep (the document's own copy and destruction recurse) or a key given
// twice (the library would keep the last one without a word) throws a ScriptFault.
class TrackingBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
  using Base = nlohmann::detail::json_sax_dom_parser<Json>;

 public:
  explicit TrackingBuilder(Json& document) : Base(document, true) {}

  bool null() { return Counted(), Base::null(); }
  bool boolean(bool v) { return Counted(), Base::boolean(v); }
  bool number_integer(Json::number_integer_t v) { return Counted(), Base::number_integer(v); }
  bool number_unsigned(Json::number_unsigned_t v) { return Counted(), Base::number_unsigned(v); }
  bool number_float(Json::number_float_t v, const Json::string_t& text) { return Counted(), Base::number_float(v, text); }
  bool string(Json::string_t& v) { return Counted(), Base::string(v); }
  bool binary(Json::binary_t& v) { return Counted(), Base::binary(v); }
  bool start_object(std::size_t n) { return Open(false), Base::start_object(n); }
  bool start_array(std::size_t n) { return Open(true), Base::start_array(n); }
  bool end_object() { return frames_.pop_back(), Base::end_object(); }
  bool end_array() { return frames_.pop_back(), Base::end_array(); }
  bool key(Json::string_t& k) {
    Frame& f = frames_.back();
    f.key = k;
    if (!f.keys.insert(k).second) {
      throw ScriptFault{MemberPath(f.path, k), "key \"" + host::PrintableText(k, true) + "\" given twice"};
    }
    return Base::key(k);
  }

 private:
  struct Frame {
    bool isArray;
    size_t items;
    std::string path;
    std::string key;
    std::unordered_set<std::string> keys;
  };

  // Only counted: a path is made when a container opens, not for every number.
  void Counted() {
    if (!frames_.empty() && frames_.back().isArray) frames_.back().items++;
  }

  void Open(bool isArray) {
    std::string path;
    if (!frames_.empty()) {
      Frame& f = frames_.back();
      path = f.isArray ? ItemPath(f.path, f.items++) : MemberPath(f.path, f.key);
    }
    if (frames_.size() >= kMaxNesting) throw ScriptFault{path, "nested deeper than " + std::to_string(kMaxNesting) + " levels"};
    frames_.push_back(Frame{isArray, 0, std::move(path), {}, {}});
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
    TrackingBuilder builder(doc);
    Json::sax_parse(script.text, &builder);
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
