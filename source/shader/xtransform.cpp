// UV transform shader: samples a linked source shader through a four-corner UV mapping.
#include "main.h"
#include "Xtransform.h"

namespace {
constexpr LONG ID_XVARNEL = 1027722;
// Render information flags the host reads for this shader.
constexpr LONG kTransformRenderInfo = 0x14;
}  // namespace

class Xvarnel : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(Xvarnel); }

  Bool Init(GeListNode* node) override;
  LONG GetRenderInfo(BaseShader* sh) override {
    (void)sh;
    return kTransformRenderInfo;
  }
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;
};

Bool Xvarnel::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetLink(XTRANSFORM_SHADER, nullptr);
  data->SetLong(XTRANSFORM_PLACE_IN_QUAD, 0);
  data->SetReal(XTRANSFORM_BULGE, 0.0);
  data->SetReal(XTRANSFORM_ROTATION, 0.0);
  data->SetReal(XTRANSFORM_WAVE, 0.0);
  data->SetReal(XTRANSFORM_BIAS_U, 0.0);
  data->SetReal(XTRANSFORM_BIAS_V, 0.0);
  data->SetReal(XTRANSFORM_BIAS_U_PHASE, 0.0);
  data->SetReal(XTRANSFORM_BIAS_V_PHASE, 0.0);
  data->SetVector(XTRANSFORM_CORNER1, Vector(0.0, 0.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER2, Vector(1.0, 0.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER3, Vector(1.0, 1.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER4, Vector(0.0, 1.0, 0.0));
  return TRUE;
}

LONG Xvarnel::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  (void)sh;
  (void)irs;
  return INITRENDERRESULT_OK;
}

void Xvarnel::FreeRender(BaseShader* sh) { (void)sh; }

Vector Xvarnel::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  (void)cd;
  return Vector(0.0);
}

// The link exists before the shader registers, so the shader's button always has it to use. A
// repeated plug-in start keeps the link it made the first time.
Bool RegisterXvarnel() {
  if (!gTransformShaderLink) gTransformShaderLink = BaseLink::Alloc();
  return RegisterShaderPlugin(ID_XVARNEL, GeLoadString(IDS_XTRANSFORM), 0, Xvarnel::Alloc, "Xtransform", 0);
}
