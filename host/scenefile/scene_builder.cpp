#include "scenefile/scene_builder.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/editing.h"
#include "core/live_description.h"
#include "core/registry.h"

namespace ombrel::host::scenefile {
namespace {

std::vector<std::unique_ptr<HostNode>> CreateShaders(const Registry& registry, const ScenePlan& plan) {
  std::vector<std::unique_ptr<HostNode>> nodes;
  nodes.reserve(plan.shaders.size());
  for (const ShaderPlan& s : plan.shaders) {
    std::unique_ptr<HostNode> node = CreateShader(registry, s.type);
    if (!node) {
      // The nodes made so far are freed with `nodes` as the error leaves.
      throw SceneFileError(s.path, "the shader of type " + std::to_string(s.type) +
                                       " could not be created (its plug-in failed to allocate or initialise it)");
    }
    if (!s.name.empty()) node->name = s.name;
    nodes.push_back(std::move(node));
  }
  return nodes;
}

// Link slots a plug-in adds at run time must be ones its interface shows for the node's values,
// or lie past the last one it shows: the interface lists only the first of a long list, while
// renders read them all. Checked before the document exists, so a refusal leaves nothing behind.
void CheckDynamicSlots(const Registry& registry, const ScenePlan& plan, const std::vector<HostNode*>& shaders) {
  for (size_t i = 0; i < plan.shaders.size(); ++i) {
    const ShaderPlan& s = plan.shaders[i];
    if (std::none_of(s.params.begin(), s.params.end(), [](const ParamPlan& p) { return p.dynamicSlot; })) continue;
    for (const ParamPlan& p : s.params) {
      if (!p.link) shaders[i]->data.Slot(p.id) = p.value;
    }
    const std::unique_ptr<HostDescription> live = LiveDescriptionOf(shaders[i], registry);
    int32_t lastShown = 0;
    std::vector<int32_t> shown;
    if (!live) continue;
    for (const auto& e : live->entries) {
      const HostDescLevel& level = e.id.level[e.id.depth - 1];
      if (level.dtype != HOST_DA_LINK) continue;
      shown.push_back(level.id);
      const HostData* dynamic = e.attributes.Find(HOST_DESC_DYNAMIC);
      if (dynamic && dynamic->type == HOST_DA_LONG && dynamic->i32 != 0) lastShown = std::max(lastShown, level.id);
    }
    for (const ParamPlan& p : s.params) {
      if (!p.dynamicSlot) continue;
      const bool listed = std::find(shown.begin(), shown.end(), p.id) != shown.end();
      if (listed || (lastShown > 0 && p.id > lastShown)) continue;
      throw SceneFileError(p.path, "the shader has no link slot " + std::to_string(p.id) +
                                       " with these parameters (its other parameters decide which slots its interface shows)");
    }
  }
}

// A node's entries by ID, for setting many of them: HostContainer::Slot searches the list, which
// for a shader of thousands of texture slots would make reading the scene quadratic.
class EntryIndex {
 public:
  explicit EntryIndex(HostContainer& data) : data_(data) {
    for (size_t i = 0; i < data.entries.size(); ++i) index_.try_emplace(data.entries[i].first, i);
  }
  HostData& Slot(int32_t id) {
    const auto [it, added] = index_.try_emplace(id, data_.entries.size());
    if (added) data_.entries.emplace_back(id, HostData());
    return data_.entries[it->second].second;
  }

 private:
  HostContainer& data_;
  std::unordered_map<int32_t, size_t> index_;
};

HostNode* LastShader(HostNode* holder) { return holder->shaders.empty() ? nullptr : holder->shaders.back().get(); }

}  // namespace

Scene BuildScene(Host& host, ScenePlan& plan, const std::string& documentName) {
  std::vector<std::unique_ptr<HostNode>> owned = CreateShaders(host.GetRegistry(), plan);
  std::vector<HostNode*> shaders;
  for (const auto& node : owned) shaders.push_back(node.get());
  CheckDynamicSlots(host.GetRegistry(), plan, shaders);

  Scene scene;
  scene.settings = plan.settings;
  HostNode* doc = host.NewDocument(documentName);
  scene.document = doc;
  // The document keeps whole frames per second, as the application does.
  SetDocumentSettings(doc, "", static_cast<int32_t>(std::min(plan.settings.fps, 1e6)), plan.settings.time);

  std::vector<HostNode*> materials;
  for (const MaterialPlan& m : plan.materials) {
    materials.push_back(NewMaterial(doc, m.name));
    if (m.active) materials.back()->bits |= HOST_BIT_ACTIVE;
  }

  std::vector<HostNode*> objects;
  for (const ObjectPlan& o : plan.objects) {
    HostNode* parent = o.parent ? objects[static_cast<size_t>(o.parent->index)] : nullptr;
    HostNode* object = NewObject(doc, parent, o.name, o.identity, o.type);
    object->geometry = o.geometry;
    object->renderIndex = o.renderIndex;
    if (o.active) object->bits |= HOST_BIT_ACTIVE;
    for (const TagPlan& t : o.tags) {
      HostNode* tag = MakeTag(object, t.type, nullptr);
      if (t.name) tag->name = *t.name;
    }
    objects.push_back(object);
  }
  // Origins may name objects further down the file, so they are set once all exist.
  for (size_t i = 0; i < plan.objects.size(); ++i) {
    const ObjectPlan& o = plan.objects[i];
    if (o.origin) objects[i]->originSerial = objects[static_cast<size_t>(o.origin->index)]->serial;
    if (o.material) objects[i]->materialSerial = materials[static_cast<size_t>(o.material->index)]->serial;
  }

  auto nodeOf = [&](NodeKind kind, int index) -> HostNode* {
    const auto i = static_cast<size_t>(index);
    switch (kind) {
      case NodeKind::Material: return materials[i];
      case NodeKind::Object: return objects[i];
      default: return shaders[i];
    }
  };
  auto linkTarget = [&](const LinkPlan& link) {
    return link.inlineShader >= 0 ? shaders[static_cast<size_t>(link.inlineShader)] : nodeOf(link.kind, link.target.index);
  };

  for (size_t i = 0; i < plan.shaders.size(); ++i) {
    EntryIndex entries(shaders[i]->data);
    for (ParamPlan& param : plan.shaders[i].params) {
      if (param.link) {
        param.value = HostData();
        param.value.type = HOST_DA_LINK;
        param.value.linkSerial = linkTarget(*param.link)->serial;
      }
      entries.Slot(param.id) = std::move(param.value);
    }
  }

  // Placement: under the shader that links it, the material whose channel it is, or the document.
  for (size_t i = 0; i < plan.shaders.size(); ++i) {
    const ShaderPlan& s = plan.shaders[i];
    HostNode* holder = doc;
    if (s.owner == OwnerKind::Shader) holder = shaders[static_cast<size_t>(s.ownerIndex)];
    if (s.owner == OwnerKind::Material) holder = materials[static_cast<size_t>(s.ownerIndex)];
    InsertShader(holder, std::move(owned[i]), LastShader(holder));
  }
  for (size_t m = 0; m < plan.materials.size(); ++m) {
    if (plan.materials[m].shader) materials[m]->channelShaderSerial = linkTarget(*plan.materials[m].shader)->serial;
  }

  // Parameters of objects and tags may link any node, so they come once every node exists.
  auto setNodeParams = [&](HostNode* node, std::vector<NodeParamPlan>& params) {
    EntryIndex entries(node->data);
    for (NodeParamPlan& p : params) {
      if (p.link) {
        p.value = HostData();
        p.value.type = HOST_DA_LINK;
        p.value.linkSerial = nodeOf(p.linkKind, p.link->index)->serial;
      }
      entries.Slot(p.id) = std::move(p.value);
    }
  };
  for (size_t i = 0; i < plan.objects.size(); ++i) {
    setNodeParams(objects[i], plan.objects[i].params);
    for (size_t t = 0; t < plan.objects[i].tags.size(); ++t) setNodeParams(objects[i]->tags[t].get(), plan.objects[i].tags[t].params);
  }

  scene.objects = objects;
  for (const auto& [name, entry] : plan.names) scene.named.emplace(name, nodeOf(entry.kind, entry.index));
  return scene;
}

}  // namespace ombrel::host::scenefile
