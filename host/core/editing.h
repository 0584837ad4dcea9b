// Documents that change: built-in objects and tags, the material list, cloning, the host's
// parameter setter, and the edits the application's interface makes (button presses and user
// parameter edits) with the messages it sends for them.
#ifndef OMBREL_HOST_EDITING_H
#define OMBREL_HOST_EDITING_H

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "nodes.h"

// Records which clone stands for which original while nodes are cloned.
struct HostAliasTrans {
  HostNode* document = nullptr;
  std::unordered_map<uint64_t, uint64_t> cloneOf;  // original serial -> clone serial
  std::vector<uint64_t> clones;                    // every node made by the cloning
};

namespace ombrel::host {

class Host;

// A free object of a built-in type (HOST_OBJECT_NULL, HOST_OBJECT_CUBE with its default size
// (200, 200, 200) at HOST_CUBE_SIZE); null for other types.
std::unique_ptr<HostNode> MakeObject(int32_t type);
// Inserts a free object into doc under parent (null: top level) after pred (null: first).
HostNode* InsertObject(HostNode* doc, std::unique_ptr<HostNode> object, HostNode* parent, HostNode* pred);
// A new tag on the object after pred (null: last). The texture tag starts with an empty
// material link and UVW projection. Null for objects that are none or unknown tag types.
HostNode* MakeTag(HostNode* object, int32_t type, HostNode* pred);
// Inserts a free material after pred (null: first); checkNames makes its name unique among the
// document's materials by adding ".1", ".2", ...
HostNode* InsertMaterial(HostNode* doc, std::unique_ptr<HostNode> material, HostNode* pred, bool checkNames);
std::string UniqueMaterialName(const HostNode* doc, const std::string& name);

// A copy of the node with its sub-nodes (tags, shaders, child objects unless
// HOST_COPYFLAGS_NO_HIERARCHY), outside any document. The host's own references inside the copy
// (a material's channel shader, an object's material) point into the copy; parameter links keep
// their targets until an alias translator translates them. Null when a plug-in node cannot be
// made.
std::unique_ptr<HostNode> CloneNode(const HostNode& node, int32_t copyFlags, HostAliasTrans* trans);
// Re-points the links inside the clones from cloned originals to their clones. Links inside the
// clones to nodes that were not cloned keep their goal with connectOldGoals, else are cleared.
void TranslateAliases(HostAliasTrans& trans, bool connectOldGoals);

// The host's parameter setter: the plug-in's SetDParameter, then the store unless the plug-in
// says it stored the value. False when the plug-in refuses.
bool SetParameter(HostNode* node, int32_t id, const HostData& value, int32_t flags);

// A message to a node: its plug-in's Message (built-in shaders count it). False when refused.
bool SendMessage(HostNode* node, int32_t type, void* data);

// A button press in the attribute panel: message 18 with the button's ID.
bool PressButton(HostNode* node, int32_t buttonId);

// A parameter edit by the user, as the attribute panel makes it: one undo step around the
// plug-in's SetDParameter, the store, message 19 with the parameter's ID and message 20; then
// an update event.
bool EditParameter(Host& host, HostNode* node, int32_t id, const HostData& value);

// Document parameters and time.
void SetDocumentSettings(HostNode* doc, const std::string& path, int32_t fps, double seconds);
HostTime DocumentTime(const HostNode* doc);

// A node of the document by name, depth first: objects with their tags, materials, then
// shaders; the first match.
HostNode* FindByName(HostNode* doc, const std::string& name);

}  // namespace ombrel::host

#endif
