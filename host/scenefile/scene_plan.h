// A scene file read and checked, before any host node exists: what the builder turns into a
// document. Everything here refers to other entries by index or by name, never by node.
#ifndef OMBREL_HOST_SCENEFILE_SCENE_PLAN_H
#define OMBREL_HOST_SCENEFILE_SCENE_PLAN_H

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/data.h"
#include "core/nodes.h"
#include "core/scene.h"

namespace ombrel::host::scenefile {

// Deepest nesting accepted anywhere: JSON, shaders inside shaders, objects under objects. Node
// trees are freed and walked recursively, so their depth must stay bounded.
inline constexpr int kMaxNesting = 64;

// A fault in the file: the JSON path of the field and what is wrong with it. The loader adds the
// file name and the line.
struct SceneFileError : std::runtime_error {
  SceneFileError(std::string fieldPath, const std::string& message)
      : std::runtime_error(message), path(std::move(fieldPath)) {}
  std::string path;
};

// A name used somewhere, resolved once every name of the file is known.
struct NameRef {
  std::string name;
  std::string path;  // where the file uses it
  int index = -1;    // resolved: index into the list of its kind
};

// A link parameter: to a named node, or to a shader defined in place.
struct LinkPlan {
  NameRef target;
  NodeKind kind = NodeKind::Shader;  // resolved kind of the target
  int inlineShader = -1;             // a shader defined in place: index into ScenePlan::shaders
  bool shaderOnly = false;           // SHADERLINK: the target must be a shader
  bool owning = false;               // the linked shader becomes a child of the linking one
};

struct ParamPlan {
  int32_t id = 0;
  std::string path;
  HostData value;                // everything but links
  std::optional<LinkPlan> link;  // links: the value is filled with the target's serial when built
  // A link slot the static description lacks: checked against the node's live description.
  bool dynamicSlot = false;
};

enum class OwnerKind { Document, Shader, Material };

struct ShaderPlan {
  std::string name;  // "" for an unnamed shader defined in place
  std::string path;
  int32_t type = 0;
  std::vector<ParamPlan> params;
  // Where the node lives: the document (nobody owns it), the shader that links it or the material
  // whose channel it is. ownerPath names the field that made it so.
  OwnerKind owner = OwnerKind::Document;
  int ownerIndex = -1;
  std::string ownerPath;
};

struct MaterialPlan {
  std::string name;
  std::string path;
  std::optional<LinkPlan> shader;  // always owning
  bool active = false;
};

// A parameter of an object or a tag: a value by number, or a link to any named node.
struct NodeParamPlan {
  int32_t id = 0;
  std::string path;
  HostData value;
  std::optional<NameRef> link;  // resolved: NodeKind in linkKind
  NodeKind linkKind = NodeKind::Object;
};

struct TagPlan {
  std::string path;
  int32_t type = 0;
  std::optional<std::string> name;  // default: the host's name for the tag type
  std::vector<NodeParamPlan> params;
};

struct ObjectPlan {
  std::string name;
  std::string path;
  int32_t identity = 0;
  int32_t renderIndex = 0;
  ObjectGeometry geometry;
  std::optional<NameRef> parent;
  std::optional<NameRef> origin;
  std::optional<NameRef> material;
  int32_t type = HOST_OBJECT_NULL;  // the host's built-in object type
  std::vector<NodeParamPlan> params;
  std::vector<TagPlan> tags;
  bool active = false;
};

struct NamedEntry {
  NodeKind kind;
  int index;
  std::string path;
};

struct ScenePlan {
  RenderSettings settings;
  std::vector<ShaderPlan> shaders;  // top-level and in-place definitions, in file order
  std::vector<MaterialPlan> materials;
  std::vector<ObjectPlan> objects;
  std::map<std::string, NamedEntry, std::less<>> names;
};

}  // namespace ombrel::host::scenefile

#endif
