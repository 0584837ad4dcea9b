#include "builtin_shaders.h"

#include "nodes.h"

namespace ombrel::host {
namespace {

constexpr int32_t kColorParam = 1000;

class ColorShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    const HostData* value = node.data.Find(kColorParam);
    colour_ = value && value->type == HOST_DA_VECTOR ? value->vec : HostVector{1.0, 1.0, 1.0};
    return 0;
  }
  HostVector Sample(const HostChannelData&) const override { return colour_; }

 private:
  HostVector colour_{1.0, 1.0, 1.0};
};

class UvShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode&, const HostInitRender&) override { return 0; }
  HostVector Sample(const HostChannelData& cd) const override { return cd.p; }
};

class FailingShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    const HostData* code = node.data.Find(kColorParam);
    return code && code->type == HOST_DA_LONG ? code->i32 : 1;
  }
  HostVector Sample(const HostChannelData&) const override { return HostVector{1.0, 0.0, 1.0}; }
};

}  // namespace

std::unique_ptr<BuiltinShader> MakeBuiltinShader(int32_t type) {
  switch (type) {
    case kColorShaderType: return std::make_unique<ColorShader>();
    case kUvShaderType: return std::make_unique<UvShader>();
    case kFailingShaderType: return std::make_unique<FailingShader>();
    default: return nullptr;
  }
}

int32_t BuiltinShaderType(std::string_view name) {
  if (name == "color") return kColorShaderType;
  if (name == "uv") return kUvShaderType;
  if (name == "fail") return kFailingShaderType;
  return 0;
}

}  // namespace ombrel::host
