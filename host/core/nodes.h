// Scene nodes of the stand-in host: documents, objects, materials, tags and shaders.
#ifndef OMBREL_HOST_NODES_H
#define OMBREL_HOST_NODES_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data.h"
#include "host_api.h"

namespace ombrel::host {
struct PluginRecord;
class BuiltinShader;
class UndoHistory;
class View;
}  // namespace ombrel::host

enum class NodeKind { Document, Object, Material, Tag, Shader, View };

// Where an object lies in the rendered picture: a flat rectangle, in fractions of the picture's
// width and height (0,0 top left), divided into rows × columns polygons. u runs left to right
// and v top to bottom over the rectangle.
struct ObjectGeometry {
  double left = 0.0, top = 0.0, right = 1.0, bottom = 1.0;
  int32_t rows = 1, columns = 1;
  // The texture projection: the texture coordinates at the top left and bottom right corners,
  // interpolated linearly in between (a texture tag's flat projection placed over the object).
  double u0 = 0.0, v0 = 0.0, u1 = 1.0, v1 = 1.0;
  double U(double across) const { return u0 + (u1 - u0) * across; }
  double V(double down) const { return v0 + (v1 - v0) * down; }
};

// A node owns its children (object hierarchy) and its child shaders. Links never own: they
// name a node by its serial and resolve through the live-node index, so a deleted node
// resolves to null.
struct HostNode {
  HostNode(NodeKind kind, int32_t type);
  ~HostNode();
  HostNode(const HostNode&) = delete;
  HostNode& operator=(const HostNode&) = delete;

  const uint64_t serial;
  const NodeKind kind;
  const int32_t type;  // plug-in ID or built-in type
  std::string name;
  HostContainer data;
  int32_t identity = 0;  // the per-object identity number

  // Objects: placement, the render-object index number, an optional origin object and the
  // material (both by serial, so a deleted target is simply gone).
  ObjectGeometry geometry;
  int32_t renderIndex = 0;
  uint64_t originSerial = 0;
  uint64_t materialSerial = 0;
  // Materials: the shader of the colour channel, one of the material's child shaders.
  uint64_t channelShaderSerial = 0;

  HostNode* document = nullptr;
  HostNode* parent = nullptr;  // object hierarchy, or the node a shader hangs under
  std::vector<std::unique_ptr<HostNode>> children;  // objects under objects (documents: top level)
  std::vector<std::unique_ptr<HostNode>> shaders;   // child shaders
  std::vector<std::unique_ptr<HostNode>> materials; // documents only
  std::vector<std::unique_ptr<HostNode>> tags;      // objects only

  int32_t bits = 0;  // HOST_BIT_*
  // Documents: the undo and redo steps.
  std::unique_ptr<ombrel::host::UndoHistory> undo;
  // Documents: their active view (a node of its own, so that links can name it), made on first
  // need. View nodes: the view.
  std::unique_ptr<HostNode> activeView;
  std::unique_ptr<ombrel::host::View> view;
  // Taken out of its document by an undo step, which owns it: a module cannot free it.
  bool heldByUndo = false;

  // A plug-in node: the module's object and its class. Built-in shaders have `builtin`.
  const ombrel::host::PluginRecord* plugin = nullptr;
  void* pluginData = nullptr;
  // The class's Output, kept on the node: sampling is the hottest call the host makes.
  HostVector (*output)(void* self, HostNode* shader, HostChannelData* cd) = nullptr;
  std::unique_ptr<ombrel::host::BuiltinShader> builtin;

  // A node a module created and has not yet handed to a scene: counted against that module.
  HostModule* ownerModule = nullptr;

  bool IsInstanceOf(int32_t baseType) const;
  void SetDocument(HostNode* doc);  // for the node and everything under it
};

struct HostLink {
  uint64_t serial = 0;
};

struct HostAtomArray {
  std::vector<HostNode*> nodes;
};

namespace ombrel::host {

// The node with this serial, if it still exists.
HostNode* FindLiveNode(uint64_t serial);

// Resolves a link target against a document (null: any document) and a base type (0: any).
HostNode* ResolveLink(uint64_t serial, const HostNode* doc, int32_t baseType);

// Takes a node out of whatever holds it; the caller receives ownership.
std::unique_ptr<HostNode> Detach(HostNode* node);

// The lists a node can sit in, and where in them it sits.
enum class NodeList { Children, Shaders, Materials, Tags };
struct NodePlace {
  HostNode* holder = nullptr;
  NodeList list = NodeList::Children;
  size_t index = 0;
};
std::vector<std::unique_ptr<HostNode>>& ListOf(HostNode* holder, NodeList list);
// The list a node of this kind goes into under its holder.
NodeList ListFor(const HostNode& node, const HostNode& holder);
// False for a node that sits nowhere.
bool PlaceOf(const HostNode* node, NodePlace& place);
// Inserts a free node at a place (the index is clamped to the list) and gives it the holder's
// document.
HostNode* InsertAt(const NodePlace& place, std::unique_ptr<HostNode> node);

}  // namespace ombrel::host

#endif
