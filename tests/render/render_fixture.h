// Scenes built in code for the renderer's tests, and a shader that shows what a sample carried.
#ifndef OMBREL_TESTS_RENDER_FIXTURE_H
#define OMBREL_TESTS_RENDER_FIXTURE_H

#include <memory>
#include <string>

#include "core/builtin_shaders.h"
#include "core/render_context.h"
#include "core/host.h"
#include "core/scene.h"

namespace ombrel::test {

// What a probe shader answers for a sample.
enum class Probe {
  Hit,    // (polygon, render index of the hit object, texflag); (-1, -1, texflag) without a hit
  Point,  // the hit point
  Delta,  // (d.x, d.y, t)
};

class ProbeShader : public host::BuiltinShader {
 public:
  explicit ProbeShader(Probe probe, int32_t setUpCode = 0) : probe_(probe), setUpCode_(setUpCode) {}
  int32_t InitRender(HostNode&, const HostInitRender&) override {
    ++setUps;
    return setUpCode_;
  }
  void FreeRender() override { ++releases; }
  HostVector Sample(const HostChannelData& cd) const override {
    switch (probe_) {
      case Probe::Hit:
        if (!cd.vd || !cd.vd->lastHit) return HostVector{-1, -1, static_cast<double>(cd.texflag)};
        return HostVector{static_cast<double>(cd.vd->lastPolygon), static_cast<double>(cd.vd->lastHit->index),
                          static_cast<double>(cd.texflag)};
      case Probe::Point: return cd.vd ? cd.vd->hitPoint : HostVector{-1, -1, -1};
      case Probe::Delta: return HostVector{cd.d.x, cd.d.y, cd.t};
    }
    return HostVector{};
  }
  int setUps = 0;
  int releases = 0;

 private:
  Probe probe_;
  int32_t setUpCode_;
};

// A document of its own in `host`, with helpers to add materials and objects in drawing order.
class SceneBuilder {
 public:
  explicit SceneBuilder(host::Host& host, const std::string& name = "scene") : host_(host) {
    scene.document = host.NewDocument(name);
  }

  // A material whose colour channel is `shader` (null: a material without a shader).
  HostNode* Material(std::unique_ptr<HostNode> shader, const std::string& name = "material") {
    HostNode* material = host::NewMaterial(scene.document, name);
    if (shader) {
      HostNode* s = host::InsertShader(material, std::move(shader), nullptr);
      material->channelShaderSerial = s->serial;
      scene.named[name + "-shader"] = s;
    }
    scene.named[name] = material;
    return material;
  }
  HostNode* Material(int32_t shaderType, const std::string& name = "material") {
    return Material(host::CreateShader(host_.GetRegistry(), shaderType), name);
  }
  // A material with a probe shader; `probeOut` receives the probe.
  HostNode* ProbeMaterial(Probe probe, ProbeShader** probeOut = nullptr, int32_t setUpCode = 0,
                          const std::string& name = "probe") {
    auto node = std::make_unique<HostNode>(NodeKind::Shader, 1100099);
    auto shader = std::make_unique<ProbeShader>(probe, setUpCode);
    if (probeOut) *probeOut = shader.get();
    node->builtin = std::move(shader);
    return Material(std::move(node), name);
  }

  HostNode* Object(const std::string& name, HostNode* material, double left, double top, double right, double bottom,
                   int32_t rows = 1, int32_t columns = 1, int32_t identity = 1, HostNode* parent = nullptr) {
    HostNode* o = host::NewObject(scene.document, parent, name, identity);
    o->geometry = ObjectGeometry{left, top, right, bottom, rows, columns};
    if (material) o->materialSerial = material->serial;
    o->renderIndex = static_cast<int32_t>(scene.objects.size());
    scene.objects.push_back(o);
    scene.named[name] = o;
    return o;
  }

  HostNode* Shader(const std::string& materialName) { return scene.Find(materialName + "-shader"); }

  host::Scene scene;

 private:
  host::Host& host_;
};

}  // namespace ombrel::test

#endif
