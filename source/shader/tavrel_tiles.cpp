// Tile shader: a grid of tiles with joints, each tile showing one texture picked at random
// from a list of linked shaders, with random flips, quarter turns and colour variation.
#include "main.h"
#include "Xtavrel_tiles.h"

namespace {
constexpr LONG ID_TAVRELTILES = 1028619;
// Render information flags the host reads for this shader.
constexpr LONG kTileRenderInfo = 0x200014;
}  // namespace

class TavrelTiles : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(TavrelTiles); }

  Bool Init(GeListNode* node) override;
  LONG GetRenderInfo(BaseShader* sh) override {
    (void)sh;
    return kTileRenderInfo;
  }
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;
};

Bool TavrelTiles::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetReal(TAVRELTILES_JOINT_WIDTH, 0.0);
  data->SetReal(TAVRELTILES_JOINT_NOISE_SCALE, 0.1);
  data->SetBool(TAVRELTILES_FIT_TEXTURE_INSIDE_JOINTS, TRUE);
  data->SetVector(TAVRELTILES_JOINT_BIAS, Vector(0.5, 0.5, 0.5));
  data->SetReal(TAVRELTILES_JOINT_RATIO, 1.0);
  data->SetBool(TAVRELTILES_RAW_JOINT_WEIGHT, FALSE);
  data->SetReal(TAVRELTILES_TILE_ROTATION, 0.0);
  data->SetReal(TAVRELTILES_SATURATION_VARIATION, 0.0);
  data->SetReal(TAVRELTILES_GAMMA_VARIATION, 0.0);
  data->SetReal(TAVRELTILES_BRIGHTNESS_VARIATION, 0.0);
  data->SetLink(TAVRELTILES_TEXTURE, nullptr);
  data->SetLong(TAVRELTILES_SEED, 666);
  data->SetBool(TAVRELTILES_RANDOM_FLIP_U, TRUE);
  data->SetBool(TAVRELTILES_RANDOM_FLIP_V, FALSE);
  data->SetBool(TAVRELTILES_RANDOM_ROTATE, FALSE);
  data->SetBool(TAVRELTILES_CHECKER_ROTATE, FALSE);
  data->SetLong(TAVRELTILES_MODE, TAVRELTILES_MODE_UV);
  data->SetLong(TAVRELTILES_POLYGON_GROUP, 1);
  data->SetReal(TAVRELTILES_ROW_OFFSET, 0.0);
  data->SetReal(TAVRELTILES_ROW_OFFSET_VARIATION, 0.0);
  data->SetReal(TAVRELTILES_ROW_DRIFT, 0.0);
  data->SetReal(TAVRELTILES_ROW_DRIFT_VARIATION, 0.0);
  data->SetBool(TAVRELTILES_STRETCH_TEXTURE, TRUE);
  data->SetLong(TAVRELTILES_COLUMNS, 1);
  data->SetLong(TAVRELTILES_ROWS, 1);
  data->SetLong(TAVRELTILES_TEXTURE_ROTATION, 0);
  data->SetReal(TAVRELTILES_TILE_ASPECT, 1.0);
  data->SetLong(TAVRELTILES_TEXTURE_COUNT, 1);

  // Default joint gradient: dark grey in the middle of the joint, light grey at its edge.
  GeData gradientData;
  if (!gradientData.SetCustomDefault(CUSTOMDATATYPE_GRADIENT)) return TRUE;
  Gradient* gradient = Gradient::From(gradientData.GetCustomDataType(CUSTOMDATATYPE_GRADIENT));
  if (!gradient) return TRUE;
  GradientKnot knot;
  knot.col = Vector(0.01);
  knot.pos = 0.5;
  gradient->InsertKnot(knot);
  knot.col = Vector(0.9);
  knot.pos = 1.0;
  gradient->InsertKnot(knot);
  data->SetData(TAVRELTILES_JOINT_GRADIENT, gradientData);
  return TRUE;
}

LONG TavrelTiles::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  (void)sh;
  (void)irs;
  return INITRENDERRESULT_OK;
}

void TavrelTiles::FreeRender(BaseShader* sh) { (void)sh; }

Vector TavrelTiles::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  (void)cd;
  return Vector(0.0);
}

Bool RegisterTavrelTiles() {
  return RegisterShaderPlugin(ID_TAVRELTILES, GeLoadString(IDS_TAVRELTILES), 0, TavrelTiles::Alloc, "Xtavrel_tiles", 0);
}
