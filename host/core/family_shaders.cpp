#include <cmath>
#include <utility>
#include <vector>

#include "builtin_shaders.h"
#include "families.h"
#include "host.h"
#include "noise.h"
#include "render_context.h"
#include "scene.h"

namespace ombrel::host {
namespace {

int32_t CallInitRender(HostNode* shader, const HostInitRender* irs) {
  if (shader->builtin) return shader->builtin->InitRender(*shader, *irs);
  if (shader->plugin) return shader->plugin->shaderClass.initRender(shader->pluginData, shader, irs);
  return -1;
}

int32_t InitRender(HostNode* shader, const HostInitRender* irs) {
  if (!shader || !irs) return -1;
  Host* host = CurrentHost();
  if (!host) return CallInitRender(shader, irs);
  // Every failed set-up is noted, also of inputs a shader drops and renders on without, so the
  // user hears which input is missing from the picture and why.
  const size_t logBefore = host->Log().size();
  const size_t failuresBefore = host->SetUpFailures().size();
  const int32_t code = CallInitRender(shader, irs);
  // A program that renders a failing scene over and over must not grow without bound.
  constexpr size_t kMaxNotedFailures = 4096;
  if (code != 0 && host->SetUpFailures().size() < kMaxNotedFailures) {
    SetUpFailure failure{shader, code, {}};
    // Lines logged by a shader whose own inputs all set up are its reason; a failed input
    // carries its own.
    if (host->SetUpFailures().size() == failuresBefore) {
      for (size_t i = logBefore; i < host->Log().size(); ++i) {
        if (!failure.reason.empty()) failure.reason += "; ";
        failure.reason += host->Log()[i];
      }
    }
    host->SetUpFailures().push_back(std::move(failure));
  }
  return code;
}

HostVector Sample(HostNode* shader, HostChannelData* cd) {
  if (!shader || !cd) return HostVector{0, 0, 0};
  if (shader->output) return shader->output(shader->pluginData, shader, cd);
  if (shader->builtin) return shader->builtin->Sample(*cd);
  return HostVector{0, 0, 0};
}

void FreeRender(HostNode* shader) {
  if (!shader) return;
  if (shader->builtin) shader->builtin->FreeRender();
  else if (shader->plugin) shader->plugin->shaderClass.freeRender(shader->pluginData, shader);
}

HostBitmap* GetBitmap(HostNode* shader) { return shader && shader->builtin ? shader->builtin->Bitmap() : nullptr; }

// Shaders pass messages on to the shaders they link; links that run in a circle would pass a
// message round for ever. The host stops such a chain at a depth no real scene reaches.
constexpr int kMaxMessageDepth = 64;
thread_local int t_messageDepth = 0;

HostBool Message(HostNode* shader, int32_t type, void* data) {
  if (!shader) return HOST_FALSE;
  if (shader->builtin) {
    shader->builtin->messagesReceived++;
    shader->builtin->lastMessage = type;
    return HOST_TRUE;
  }
  if (!shader->plugin) return HOST_TRUE;
  if (t_messageDepth >= kMaxMessageDepth) return HOST_FALSE;
  ++t_messageDepth;
  const HostBool result = shader->plugin->shaderClass.message(shader->pluginData, shader, type, data);
  --t_messageDepth;
  return result;
}

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

HostVector TransformColor(HostVector c, int32_t mode) {
  if (mode != HOST_COLORSPACE_SRGB_TO_LINEAR) return c;
  return HostVector{SrgbToLinear(c.x), SrgbToLinear(c.y), SrgbToLinear(c.z)};
}

const HostRayObject* VolumeLastHit(const HostVolume* vd) { return vd ? vd->lastHit : nullptr; }
int64_t VolumeLastHitId(const HostVolume* vd) { return vd ? vd->lastHitId : 0; }
int32_t VolumeLastPolygon(const HostVolume* vd) { return vd && vd->lastHitId ? vd->lastPolygon : -1; }
const HostRayObject* VolumeLastHitAndPolygon(const HostVolume* vd, int32_t* polygon) {
  if (polygon) *polygon = VolumeLastPolygon(vd);
  return VolumeLastHit(vd);
}
HostVector VolumeHitPoint(const HostVolume* vd) { return vd ? vd->hitPoint : HostVector{0, 0, 0}; }
HostBool VolumeWeights(const HostVolume* vd, double weights[4]) {
  if (!vd || !vd->lastHitId || !weights) return HOST_FALSE;
  for (int i = 0; i < 4; ++i) weights[i] = vd->weights[i];
  return HOST_TRUE;
}
HostNode* RaySource(const HostRayObject* ro) { return ro ? ro->source : nullptr; }
HostNode* RayOrigin(const HostRayObject* ro) { return ro ? ro->origin : nullptr; }
int32_t RayIndex(const HostRayObject* ro) { return ro ? ro->index : 0; }
double TurbulenceC(HostVector p, double octaves, HostBool absolute) {
  return Turbulence(p.x, p.y, p.z, octaves, absolute != 0);
}

const HostVector* RayPoints(const HostRayObject* ro, int32_t* count) {
  const bool has = ro && !ro->points.empty();
  if (count) *count = has ? static_cast<int32_t>(ro->points.size()) : 0;
  return has ? ro->points.data() : nullptr;
}
const int32_t* RayPolygons(const HostRayObject* ro, int32_t* count) {
  const bool has = ro && !ro->polygons.empty();
  if (count) *count = has ? static_cast<int32_t>(ro->polygons.size() / 4) : 0;
  return has ? ro->polygons.data() : nullptr;
}
HostBool RayTextureCoordinate(const HostRayObject* ro, HostVector point, HostVector* uvw) {
  if (!ro || !ro->projected || !uvw) return HOST_FALSE;
  const double across = (point.x - ro->left) / ro->width;
  const double down = (point.y - ro->top) / ro->height;
  *uvw = HostVector{ro->u0 + (ro->u1 - ro->u0) * across, ro->v0 + (ro->v1 - ro->v0) * down, 0.0};
  return HOST_TRUE;
}

HostBool RayIdentitySums(const HostRayObject* ro, HostIdentitySums* sums) {
  if (!sums) return HOST_FALSE;
  *sums = ro ? ro->identities : HostIdentitySums{0, 0, 0, HOST_FALSE, HOST_FALSE};
  return ro ? HOST_TRUE : HOST_FALSE;
}

// The render objects of each render being set up, by its set-up record. Main thread only.
std::vector<std::pair<const HostInitRender*, const std::vector<const HostRayObject*>*>>& RendersSettingUp() {
  static std::vector<std::pair<const HostInitRender*, const std::vector<const HostRayObject*>*>> renders;
  return renders;
}

const HostRayObject* const* RenderObjects(const HostInitRender* irs, int32_t* count) {
  if (count) *count = 0;
  if (!irs || !count) return nullptr;
  for (const auto& [record, objects] : RendersSettingUp()) {
    if (record == irs && !objects->empty()) {
      *count = static_cast<int32_t>(objects->size());
      return objects->data();
    }
  }
  return nullptr;
}

const HostShaderApi kShaders{sizeof(HostShaderApi), InitRender,   Sample,       FreeRender,        GetBitmap,
                             Message,               TransformColor, VolumeLastHit, VolumeLastPolygon, VolumeHitPoint,
                             VolumeWeights,         RaySource,    RayOrigin,    RayIndex,          TurbulenceC,
                             VolumeLastHitId,       RayPoints,    RayPolygons,  RayTextureCoordinate,
                             RayIdentitySums,       RenderObjects, VolumeLastHitAndPolygon};

}  // namespace

const HostShaderApi* ShaderFamily() { return &kShaders; }

void ListRenderObjects(const HostInitRender* irs, const std::vector<const HostRayObject*>* objects) {
  auto& renders = RendersSettingUp();
  for (auto& entry : renders) {
    if (entry.first == irs) {
      entry.second = objects;
      return;
    }
  }
  renders.emplace_back(irs, objects);
}

void UnlistRenderObjects(const HostInitRender* irs) {
  auto& renders = RendersSettingUp();
  for (auto it = renders.begin(); it != renders.end(); ++it) {
    if (it->first == irs) {
      renders.erase(it);
      return;
    }
  }
}

namespace {
int32_t ChainSum(HostNode* node) {
  const HostNodeApi* nodes = NodeFamily();
  uint32_t sum = 0;
  for (; node; node = nodes->up(node)) sum += static_cast<uint32_t>(nodes->uniqueIdentity(node));
  return static_cast<int32_t>(sum);
}
}  // namespace

void SetIdentitySums(HostRayObject& ro) {
  ro.identities.sourceChain = ChainSum(ro.source);
  ro.identities.originChain = ChainSum(ro.origin);
  ro.identities.sourceIdentity = ro.source ? NodeFamily()->uniqueIdentity(ro.source) : 0;
  ro.identities.hasSource = ro.source ? HOST_TRUE : HOST_FALSE;
  ro.identities.hasOrigin = ro.origin ? HOST_TRUE : HOST_FALSE;
}

}  // namespace ombrel::host
