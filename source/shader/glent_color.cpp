// Colour-adjust shader: gives every object, or every group of polygons, its own variation of
// hue, saturation, lightness and gamma of an input colour.
#include "main.h"
#include "xglent_color.h"

namespace {
constexpr LONG ID_GLENTSHADER = 1029019;
}  // namespace

class GlentShader : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(GlentShader); }

  Bool Init(GeListNode* node) override;
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;
};

Bool GlentShader::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetLink(GLENTCOLOR_TEXTURE, nullptr);
  data->SetLong(GLENTCOLOR_SEED, 200);
  data->SetReal(GLENTCOLOR_HUE, 0.0);
  data->SetReal(GLENTCOLOR_SATURATION, 0.0);
  data->SetReal(GLENTCOLOR_LIGHTNESS, 0.0);
  data->SetReal(GLENTCOLOR_GRADIENT_MIX, 0.0);
  data->SetReal(GLENTCOLOR_GAMMA, 0.0);
  data->SetLong(GLENTCOLOR_DIRECTION, GLENTCOLOR_DIRECTION_BOTH);
  data->SetVector(GLENTCOLOR_COLOR, Vector(1.0, 1.0, 1.0));
  data->SetReal(GLENTCOLOR_STRENGTH, 1.0);
  data->SetLink(GLENTCOLOR_STRENGTH_SHADER, nullptr);
  data->SetReal(GLENTCOLOR_GRADIENT_OFFSET, 0.0);
  data->SetBool(GLENTCOLOR_PER_POLYGON, FALSE);
  data->SetLong(GLENTCOLOR_POLYGON_GROUP, 1);

  // Default gradient: black at 0 to white at 1.
  GeData gradientData;
  if (!gradientData.SetCustomDefault(CUSTOMDATATYPE_GRADIENT)) return FALSE;
  Gradient* gradient = Gradient::From(gradientData.GetCustomDataType(CUSTOMDATATYPE_GRADIENT));
  if (!gradient) return FALSE;
  GradientKnot knot;
  knot.col = Vector(0.0);
  knot.pos = 0.0;
  gradient->InsertKnot(knot);
  knot.col = Vector(1.0);
  knot.pos = 1.0;
  gradient->InsertKnot(knot);
  data->SetData(GLENTCOLOR_GRADIENT, gradientData);
  return TRUE;
}

LONG GlentShader::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  (void)sh;
  (void)irs;
  return INITRENDERRESULT_OK;
}

void GlentShader::FreeRender(BaseShader* sh) { (void)sh; }

Vector GlentShader::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  (void)cd;
  return Vector(0.0);
}

Bool RegisterGlentShader() {
  return RegisterShaderPlugin(ID_GLENTSHADER, GeLoadString(IDS_GLENTCOLOR), 0, GlentShader::Alloc, "xglent_color", 0);
}
