#include "scenefile/scene_json.h"

#include <iterator>
#include <memory>
#include <unordered_set>
#include <vector>

#include "core/printable_text.h"
#include "scenefile/byte_text.h"
#include "scenefile/json_checks.h"
#include "scenefile/json_positions.h"
#include "scenefile/scene_keys.h"
#include "scenefile/scene_plan.h"

namespace ombrel::host::scenefile {
namespace {

// What a container is in the format; decides its keys and the kinds of its children.
enum class Role {
  Document,
  Settings,
  ShaderList,
  Shader,
  Params,
  ParamObject,  // a link {"link": name} or a shader defined in place
  KnotList,     // an array parameter: a vector or gradient knots
  Knot,
  MaterialList,
  Material,
  ObjectList,
  Object,
  TagList,
  Tag,
  Free,  // anything goes here; the reader checks it
  Text,  // an object where a single value stands: only {"bytes": text}
};

bool WantsObject(Role role) {
  return role == Role::Document || role == Role::Settings || role == Role::Shader || role == Role::Params ||
         role == Role::Material || role == Role::Object || role == Role::Knot || role == Role::ParamObject ||
         role == Role::Tag;
}
bool WantsArray(Role role) {
  return role == Role::ShaderList || role == Role::MaterialList || role == Role::ObjectList || role == Role::TagList;
}

constexpr std::array<std::string_view, 5> kParamObjectKeys{"link", "owns", "name", "type", "params"};

std::span<const std::string_view> KeysOf(Role role) {
  switch (role) {
    case Role::Document: return kDocumentKeys;
    case Role::Settings: return kSettingsKeys;
    case Role::Shader: return kShaderKeys;
    case Role::Material: return kMaterialKeys;
    case Role::Object: return kObjectKeys;
    case Role::Knot: return kKnotKeys;
    case Role::ParamObject: return kParamObjectKeys;
    case Role::Tag: return kTagKeys;
    default: return {};
  }
}

Role MemberRole(Role parent, std::string_view key, bool container, bool isArray) {
  switch (parent) {
    case Role::Document:
      if (key == "settings") return Role::Settings;
      if (key == "shaders") return Role::ShaderList;
      if (key == "materials") return Role::MaterialList;
      if (key == "objects") return Role::ObjectList;
      return Role::Free;
    case Role::Shader:
    case Role::ParamObject: return key == "params" ? Role::Params : Role::Free;
    case Role::Params:
      if (!container) return Role::Free;
      return isArray ? Role::KnotList : Role::ParamObject;
    case Role::Material: return key == "shader" ? Role::Shader : Role::Free;
    case Role::Object:
      if (key == "params") return Role::Params;
      return key == "tags" ? Role::TagList : Role::Free;
    case Role::Tag: return key == "params" ? Role::Params : Role::Free;
    default: return Role::Free;
  }
}

Role ItemRole(Role parent, bool isArray) {
  switch (parent) {
    case Role::ShaderList: return Role::Shader;
    case Role::MaterialList: return Role::Material;
    case Role::ObjectList: return Role::Object;
    case Role::TagList: return Role::Tag;
    case Role::KnotList: return isArray ? Role::Free : Role::Knot;
    default: return Role::Free;
  }
}

// The text as the parser reads it, one byte at a time, telling how far it has got: faults
// found while parsing are placed by it.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, const char** furthest) : at_(at), furthest_(furthest) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    *furthest_ = ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  const char** furthest_;
};

class CheckingBuilder {
 public:
  CheckingBuilder(std::string_view text, const char** furthest, Json& root, JsonFault& fault)
      : text_(text), furthest_(furthest), root_(root), fault_(fault) {}

  bool null() { return Scalar(Json(nullptr)); }
  bool boolean(bool v) { return Scalar(Json(v)); }
  bool number_integer(Json::number_integer_t v) { return Scalar(Json(v)); }
  bool number_unsigned(Json::number_unsigned_t v) { return Scalar(Json(v)); }
  bool number_float(Json::number_float_t v, const std::string&) { return Scalar(Json(v)); }
  bool string(std::string& v) { return Scalar(Json(std::move(v))); }
  bool binary(Json::binary_t&) { return Fail(ChildPath(), "binary values are not JSON text"); }
  bool start_object(std::size_t) { return Open(false); }
  bool start_array(std::size_t) { return Open(true); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(std::string& key) {
    Frame& f = stack_.back();
    const std::string member = MemberPath(f.path, key);
    if (!f.keys.insert(key).second) return Fail(member, "key \"" + ShownName(key) + "\" given twice in one object");
    if (f.bytes) return Fail(member, "{\"bytes\": text} holds the text and nothing else");
    if (key == kBytesKey && HoldsText(f)) {
      if (f.keys.size() > 1) return Fail(member, "{\"bytes\": text} holds the text and nothing else");
      f.bytes = true;
      f.key = std::move(key);
      return true;
    }
    if (f.role == Role::Text) return Fail(f.path, "expected a single value or a list of numbers, found an object");
    const auto allowed = KeysOf(f.role);
    if (!allowed.empty()) {
      bool known = false;
      for (std::string_view a : allowed) known = known || key == a;
      if (!known) return Fail(member, UnknownKeyMessage(key, allowed));
    }
    f.key = std::move(key);
    return true;
  }

  bool parse_error(std::size_t position, const std::string& lastToken, const nlohmann::detail::exception& e) {
    fault_.offset = position > 0 ? position - 1 : 0;
    if (e.id == 406) {  // a number beyond a double's range
      fault_.path = ChildPath();
      fault_.message = "the number " + PrintableText(lastToken) + " is too large";
      return false;
    }
    fault_.syntax = true;
    // "[json.exception.parse_error.101] parse error at line 3, column 4: syntax error while ..."
    std::string_view what = e.what();
    const size_t column = what.find("column ");
    const size_t colon = what.find(": ", column == std::string_view::npos ? 0 : column);
    if (colon != std::string_view::npos) what.remove_prefix(colon + 2);
    fault_.message = PrintableText(what);
    return false;
  }

 private:
  struct Frame {
    Json* value;
    Role role;
    std::string path;
    std::string key;  // objects: the key of the value that comes next
    std::unordered_set<std::string> keys;
    bool bytes = false;  // a {"bytes": text} that becomes its text when it closes
  };

  // Where a name, a file name or a string value may stand, so may its bytes form.
  bool HoldsText(const Frame& f) const {
    if (f.role == Role::Text || f.role == Role::ParamObject) return true;
    return f.role == Role::Shader && stack_.size() >= 2 && stack_[stack_.size() - 2].role == Role::Material;
  }

  size_t Here() const {
    const size_t read = static_cast<size_t>(*furthest_ - text_.data());
    return read > 0 ? read - 1 : 0;
  }

  bool Fail(std::string path, std::string message) {
    fault_.path = std::move(path);
    fault_.offset = Here();
    fault_.message = std::move(message);
    return false;
  }

  std::string ChildPath() const {
    if (stack_.empty()) return "";
    const Frame& f = stack_.back();
    return f.value->is_array() ? ItemPath(f.path, f.value->size()) : MemberPath(f.path, f.key);
  }

  Role ChildRole(bool container, bool isArray) const {
    if (stack_.empty()) return Role::Document;
    const Frame& f = stack_.back();
    return f.value->is_array() ? ItemRole(f.role, isArray) : MemberRole(f.role, f.key, container, isArray);
  }

  // Puts a value where the parser is: the document, the next item or the current key's value.
  Json* Place(Json&& value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& f = stack_.back();
    if (f.value->is_array()) {
      f.value->push_back(std::move(value));
      return &f.value->back();
    }
    // Keys are known to be new; appending keeps the file's order without a search per key.
    auto& members = static_cast<std::vector<std::pair<const std::string, Json>>&>(f.value->get_ref<Json::object_t&>());
    members.emplace_back(std::move(f.key), std::move(value));
    return &members.back().second;
  }

  bool Scalar(Json&& value) {
    Place(std::move(value));
    return true;
  }

  bool Open(bool isArray) {
    const std::string path = ChildPath();
    if (static_cast<int>(stack_.size()) >= kMaxNesting) {
      return Fail(path, "nested deeper than " + std::to_string(kMaxNesting) + " levels");
    }
    const Role role = ChildRole(true, isArray);
    const char* found = isArray ? "an array" : "an object";
    if (isArray && WantsObject(role)) return Fail(path, "expected an object, found an array");
    if (!isArray && WantsArray(role)) return Fail(path, "expected an array, found an object");
    // Outside the parts above the format holds only single values and lists of numbers, so
    // anything else is refused before it is built.
    if (!stack_.empty() && stack_.back().role == Role::Free) {
      return Fail(path, std::string("expected a number, found ") + found);
    }
    if (isArray && !stack_.empty() && stack_.back().role == Role::KnotList) {
      return Fail(path, "expected a number or a gradient knot, found an array");
    }
    Json* value = Place(isArray ? Json::array() : Json::object());
    // An object where a single value stands may only be that value's bytes form; its first key
    // tells.
    stack_.push_back(Frame{value, !isArray && role == Role::Free ? Role::Text : role, path, {}, {}, false});
    return true;
  }

  bool Close() {
    Frame& f = stack_.back();
    if (f.role == Role::Text && !f.bytes) return Fail(f.path, "expected a single value or a list of numbers, found an object");
    if (f.bytes) {
      const Json& text = f.value->begin().value();
      const std::string member = MemberPath(f.path, kBytesKey);
      if (!text.is_string()) return Fail(member, "expected the text of a name or file name, found " + Found(text));
      std::optional<std::string> decoded = DecodeByteText(text.get_ref<const std::string&>());
      if (!decoded) return Fail(member, "a '%' must be followed by two hex digits (%25 stands for '%' itself)");
      *f.value = Json(std::move(*decoded));
    }
    stack_.pop_back();
    return true;
  }

  std::string_view text_;
  const char** furthest_;
  Json& root_;
  JsonFault& fault_;
  std::vector<Frame> stack_;
};

}  // namespace

bool ParseSceneJson(std::string_view text, Json& document, JsonFault& fault) {
  fault = JsonFault{};
  document = Json();
  const char* furthest = text.data();
  CheckingBuilder builder(text, &furthest, document, fault);
  const CountingIterator begin(text.data(), &furthest);
  const CountingIterator end(text.data() + text.size(), &furthest);
  return Json::sax_parse(begin, end, &builder);
}

}  // namespace ombrel::host::scenefile
