// Tile shader: a grid of tiles with joints, each tile showing one texture picked at random
// from a list of linked shaders, with random flips, quarter turns and colour variation. The
// pattern itself (table and sample location) is pure maths in tile_pattern; this file reads the
// parameters, gathers the textures and colours the result.
#include <cfloat>
#include <cmath>

#include "Xtavrel_tiles.h"
#include "default_gradient.h"
#include "hsv_color.h"
#include "main.h"
#include "numeric.h"
#include "shader_messages.h"
#include "tavrel_texture_slots.h"
#include "tile_pattern.h"
#include "variation_key.h"

namespace {

constexpr LONG ID_TAVRELTILES = 1028619;
// Render information flags the host reads for this shader.
constexpr LONG kTileRenderInfo = 0x200014;
// Slots the render set-up reads at most. A folder import can raise the count far above what the
// interface shows, but not to where reading empty slots would stall the render set-up.
constexpr LONG kMaxTextureSlots = 65536;

// Keeps the compiler from merging the neighbouring component copies around it into one wide copy.
inline void SeparateStores() {
#if defined(__GNUC__)
  __asm__ volatile("" ::: "memory");
#endif
}

double FiniteComponent(double x) {
  if (x > DBL_MAX) return DBL_MAX;
  if (x < -DBL_MAX) return -DBL_MAX;
  return x == x ? x : 0.0;
}

Vector ApplyCellVariation(Vector c, const TileCell& cell) {
  if (cell.saturationFactor != 1.0f) {
    double h = 0.0, s = 0.0, v = 0.0;
    RgbToHsv(c.x, c.y, c.z, h, s, v);
    s = ombrel::Clamp01(s * cell.saturationFactor);
    HsvToRgb(h, s, v, c.x, c.y, c.z);
  }
  if (cell.gammaFactor != 1.0f && cell.gammaFactor != 0.0f) {
    const double inv = 1.0 / cell.gammaFactor;
    c = Vector(ombrel::GammaPow(c.x, inv), ombrel::GammaPow(c.y, inv), ombrel::GammaPow(c.z, inv));
  }
  // A brightness variation beyond the single-precision range leaves an infinite factor in the
  // table; it counts as the largest finite one, so black stays black instead of becoming NaN.
  double brightness = static_cast<double>(cell.brightnessFactor);
  if (std::isinf(brightness)) brightness = brightness > 0.0 ? FLT_MAX : -FLT_MAX;
  // A texture may answer huge values (the point itself, or a stored colour): scaled by a large
  // factor they overflow, and an infinity would turn to NaN in the joint mix. The colour stays
  // finite: overflow keeps the largest double, NaN counts as nothing.
  c = c * brightness;
  return Vector(FiniteComponent(c.x), FiniteComponent(c.y), FiniteComponent(c.z));
}

// The joint-width noise at a sample's hit point, fetched by the pattern only where a joint can
// be reached.
struct JointNoiseQuery {
  const VolumeData* vd;
  Real scale;
};

double JointNoise(const void* context) {
  const JointNoiseQuery* query = static_cast<const JointNoiseQuery*>(context);
  return Turbulence(query->vd->GetHitPoint() * query->scale, 2.0, TRUE);
}

}  // namespace

class TavrelTiles : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(TavrelTiles); }
  TavrelTiles() : textures_(AtomArray::Alloc()) {}
  ~TavrelTiles() override {
    FreeRender(nullptr);
    AtomArray::Free(textures_);
  }

  Bool Init(GeListNode* node) override;
  Bool Message(GeListNode* node, LONG type, void* data) override;
  Bool GetDDescription(GeListNode* node, Description* description, LONG& flags) override {
    return DescribeTextureSlots(node, ID_TAVRELTILES, description, flags);
  }
  Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                    const BaseContainer* itemDescription) override;
  LONG GetRenderInfo(BaseShader* sh) override {
    (void)sh;
    return kTileRenderInfo;
  }
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;

 private:
  void GatherTextures(const BaseContainer* data, const InitRenderStruct& irs);
  void ReleaseTextures();
  // Whether the mode reads anything of the hit beyond there being a render context.
  bool NeedsHitFacts() const {
    return (settings_.mode == kTileModeUv && settings_.polygonGroup > 1) || settings_.mode == kTileModePolygon ||
           (settings_.mode == kTileModeObject && textureCount_ > 0);
  }
  void GatherHitFacts(const VolumeData* vd, TileHit& hit) const;
  static bool RendersAlpha(const ChannelData* cd) {
    return ((cd->texflag & HOST_TEX_CHANNEL_MASK) >> HOST_TEX_CHANNEL_SHIFT) == HOST_CHANNEL_ALPHA;
  }

  AtomArray* textures_;         // prepared textures, not owned; between InitRender and FreeRender
  LONG textureCount_ = 0;
  Gradient* jointGradient_ = nullptr;  // owned by the container; prepared for rendering, or null
  Bool rawJointWeight_ = FALSE;
  TileSettings settings_;  // what locating a sample reads
  bool forwarding_ = false;  // a message is being passed on to the linked shaders
  TileTable table_;
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

  // Default joint gradient: dark grey over the inner half of the joint, rising to light grey
  // at the tile border.
  return WriteTwoKnotGradient(data, TAVRELTILES_JOINT_GRADIENT, Vector(0.01), 0.5, Vector(0.9), 1.0);
}

Bool TavrelTiles::GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                               const BaseContainer* itemDescription) {
  (void)data;
  (void)flags;
  (void)itemDescription;
  BaseContainer* bc = static_cast<BaseList2D*>(node)->GetDataInstance();
  switch (id[0]) {
    case TAVRELTILES_JOINT_NOISE_SCALE:
    case TAVRELTILES_FIT_TEXTURE_INSIDE_JOINTS:
    case TAVRELTILES_JOINT_GRADIENT:
    case TAVRELTILES_JOINT_BIAS:
      return bc->GetReal(TAVRELTILES_JOINT_WIDTH, 0.0) != 0.0;
    case TAVRELTILES_ROW_OFFSET:
    case TAVRELTILES_ROW_OFFSET_VARIATION:
    case TAVRELTILES_ROW_DRIFT:
    case TAVRELTILES_ROW_DRIFT_VARIATION:
    case TAVRELTILES_COLUMNS:
    case TAVRELTILES_ROWS:
      return bc->GetLong(TAVRELTILES_MODE, TAVRELTILES_MODE_UV) != TAVRELTILES_MODE_POLYGON;
    case TAVRELTILES_TILE_ASPECT:
      // Scenes saved before the aspect existed get it written the first time it is shown.
      if (bc->GetType(TAVRELTILES_TILE_ASPECT) == HOST_DA_NIL) bc->SetReal(TAVRELTILES_TILE_ASPECT, 1.0);
      return TRUE;
    default:
      return TRUE;
  }
}

Bool TavrelTiles::Message(GeListNode* node, LONG type, void* data) {
  BaseShader* sh = static_cast<BaseShader*>(node);
  if (TakeOverInitialChannel(sh, TAVRELTILES_TEXTURE, type, data)) return ShaderData::Message(node, type, data);
  // Shaders linked in a circle would pass a message round for ever: one round is enough.
  if (!forwarding_) {
    forwarding_ = true;
    const BaseContainer* bc = sh->GetDataInstance();
    LONG id = 0;
    for (LONG i = 0; bc->GetIndexData(i, &id, nullptr); ++i) {
      if (id >= TAVRELTILES_TEXTURE && bc->GetType(id) == HOST_DA_LINK) ForwardToLinkedShader(sh, id, type, data);
    }
    forwarding_ = false;
  }
  if (type == MSG_DESCRIPTION_COMMAND && data) {
    const DescriptionCommand* command = static_cast<const DescriptionCommand*>(data);
    if (!PressTextureSlotButton(sh, command->id[0])) return FALSE;
  } else if (type == MSG_DESCRIPTION_REMOVE_ENTRY && data) {
    RemoveTextureSlotEntry(sh, static_cast<const DescriptionRemoveEntry*>(data)->id);
  }
  return ShaderData::Message(node, type, data);
}

void TavrelTiles::GatherTextures(const BaseContainer* data, const InitRenderStruct& irs) {
  textureCount_ = 0;
  if (!textures_) return;
  textures_->Flush();
  LONG count = data->GetLong(TAVRELTILES_TEXTURE_COUNT, 1);
  if (count > kMaxTextureSlots) count = kMaxTextureSlots;
  for (LONG slot = 0; slot < count || slot == 0; ++slot) {
    const LONG id = slot == 0 ? TAVRELTILES_TEXTURE : TAVRELTILES_TEXTURE_SLOT + slot;
    BaseShader* texture = static_cast<BaseShader*>(data->GetLink(id, irs.doc, HOST_BASETYPE_SHADER));
    if (!texture || texture->InitRender(irs) != INITRENDERRESULT_OK) continue;
    // A texture the list cannot take is left out of the render, set-up released at once.
    if (!textures_->Append(texture)) texture->FreeRender();
  }
  textureCount_ = textures_->GetCount();
}

LONG TavrelTiles::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  const BaseContainer* data = sh->GetDataInstance();
  GatherTextures(data, irs);

  jointGradient_ = Gradient::From(data->GetCustomDataType(TAVRELTILES_JOINT_GRADIENT, CUSTOMDATATYPE_GRADIENT));
  if (jointGradient_ && !jointGradient_->InitRender(irs)) jointGradient_ = nullptr;

  TileParameters p;
  p.seed = data->GetLong(TAVRELTILES_SEED, 666);
  p.tileAspect = data->GetReal(TAVRELTILES_TILE_ASPECT, 1.0);
  p.columns = data->GetLong(TAVRELTILES_COLUMNS, 1);
  p.rows = data->GetLong(TAVRELTILES_ROWS, 1);
  const Vector bias = data->GetVector(TAVRELTILES_JOINT_BIAS, Vector(0.5, 0.5, 0.5));
  p.jointBiasX = bias.x;
  p.jointBiasY = bias.y;
  p.jointRatio = data->GetReal(TAVRELTILES_JOINT_RATIO, 1.0);
  p.jointWidth = data->GetReal(TAVRELTILES_JOINT_WIDTH, 0.0);
  p.jointNoiseScale = data->GetReal(TAVRELTILES_JOINT_NOISE_SCALE, 0.0);
  p.fitTextureInsideJoints = data->GetBool(TAVRELTILES_FIT_TEXTURE_INSIDE_JOINTS, FALSE) != 0;
  p.textureRotation = data->GetLong(TAVRELTILES_TEXTURE_ROTATION, 0);
  p.saturationVariation = data->GetReal(TAVRELTILES_SATURATION_VARIATION, 0.0);
  p.gammaVariation = data->GetReal(TAVRELTILES_GAMMA_VARIATION, 0.0);
  p.brightnessVariation = data->GetReal(TAVRELTILES_BRIGHTNESS_VARIATION, 0.0);
  p.tileRotation = data->GetReal(TAVRELTILES_TILE_ROTATION, 0.0);
  p.stretchTexture = data->GetBool(TAVRELTILES_STRETCH_TEXTURE, TRUE) != 0;
  p.checkerRotate = data->GetBool(TAVRELTILES_CHECKER_ROTATE, FALSE) != 0;
  p.randomRotate = data->GetBool(TAVRELTILES_RANDOM_ROTATE, FALSE) != 0;
  p.randomFlipU = data->GetBool(TAVRELTILES_RANDOM_FLIP_U, FALSE) != 0;
  p.randomFlipV = data->GetBool(TAVRELTILES_RANDOM_FLIP_V, FALSE) != 0;
  p.rowOffset = data->GetReal(TAVRELTILES_ROW_OFFSET, 0.0);
  p.rowOffsetVariation = data->GetReal(TAVRELTILES_ROW_OFFSET_VARIATION, 0.0);
  p.rowDrift = data->GetReal(TAVRELTILES_ROW_DRIFT, 0.0);
  p.rowDriftVariation = data->GetReal(TAVRELTILES_ROW_DRIFT_VARIATION, 0.0);
  p.mode = data->GetLong(TAVRELTILES_MODE, TAVRELTILES_MODE_UV);
  p.polygonGroup = data->GetLong(TAVRELTILES_POLYGON_GROUP, 1);
  rawJointWeight_ = data->GetBool(TAVRELTILES_RAW_JOINT_WEIGHT, FALSE);
  settings_ = DeriveTileSettings(p);

  // The pattern takes the list as a plain array, in the list's order. Without memory for it the
  // tiles are built without textures rather than not at all, and the list is released too, so
  // that the object mode cannot pick textures the tiles do not have.
  const void** list = nullptr;
  if (textureCount_ > 0) {
    list = static_cast<const void**>(GeAlloc(static_cast<VLONG>(sizeof(void*)) * textureCount_));
    if (list) {
      for (LONG i = 0; i < textureCount_; ++i) list[i] = textures_->GetIndex(i);
    } else {
      ReleaseTextures();
    }
  }
  BuildTileTable(table_, p, list, list ? textureCount_ : 0);
  GeFree(list);
  return INITRENDERRESULT_OK;
}

void TavrelTiles::FreeRender(BaseShader* sh) {
  (void)sh;
  if (jointGradient_) {
    jointGradient_->FreeRender();
    jointGradient_ = nullptr;
  }
  ReleaseTextures();
}

void TavrelTiles::ReleaseTextures() {
  if (textures_) {
    for (LONG i = 0; i < textures_->GetCount(); ++i) {
      BaseShader* texture = static_cast<BaseShader*>(textures_->GetIndex(i));
      if (texture) texture->FreeRender();
    }
    textures_->Flush();
  }
  textureCount_ = 0;
}

// Only the host facts the mode needs: each costs a call through the host, the identity chain one
// per ancestor.
void TavrelTiles::GatherHitFacts(const VolumeData* vd, TileHit& hit) const {
  const bool polygonGroups = settings_.mode == kTileModeUv && settings_.polygonGroup > 1;
  const bool polygonTiles = settings_.mode == kTileModePolygon;
  const bool objectTextures = settings_.mode == kTileModeObject && textureCount_ > 0;
  // A hit carries its polygon and corner weights even when the host has no render object for it.
  hit.hasHit = vd->GetLastHitId() != 0;
  if (!hit.hasHit) return;
  if (polygonGroups || polygonTiles) hit.polygon = vd->GetLastPolygon();
  if (polygonTiles) vd->GetPolygonWeights(hit.cornerWeights);
  if (!polygonTiles && !objectTextures) return;
  const RayObject* ro = vd->GetLastHitObject();
  if (!ro) return;
  hit.hasRenderObject = true;
  if (polygonTiles) {
    hit.renderIndex = ro->GetIndex();
    if (BaseObject* source = ro->GetSource()) {
      hit.hasSource = true;
      hit.sourceIdentity = source->GetUniqueIdentity();
    }
  } else {
    if (BaseObject* source = ro->GetSource()) {
      hit.hasSource = true;
      hit.sourceIdentity = source->GetUniqueIdentity();
      hit.sourceChainIdentity = IdentityChainSum(0, source);
    }
    hit.hasOrigin = ro->GetOrigin() != nullptr;
  }
}

Vector TavrelTiles::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  TileHit hit;
  hit.hasContext = cd->vd != nullptr;
  if (hit.hasContext && NeedsHitFacts()) GatherHitFacts(cd->vd, hit);
  // A polygon group's texture is shown as it is, with no joint: no turbulence for it.
  if (const void* groupTexture = PolygonGroupTexture(table_, settings_, hit)) {
    return static_cast<BaseShader*>(const_cast<void*>(groupTexture))->Sample(cd);
  }
  JointNoiseQuery noiseQuery{cd->vd, settings_.noiseScale};
  if (NeedsJointNoise(settings_, hit.hasContext)) {
    hit.fetchNoise = &JointNoise;
    hit.noiseContext = &noiseQuery;
  }
  const TileLocation loc = LocateSample(table_, settings_, cd->p.x, cd->p.y, cd->p.z, cd->texflag, hit);

  const Vector p = cd->p;
  const TileCell& cell = *loc.cell;
  BaseShader* texture = static_cast<BaseShader*>(const_cast<void*>(cell.texture));
  if (settings_.mode == kTileModeObject && hit.hasContext && textureCount_ > 0) {
    LONG index = ObjectNumber(hit) % textureCount_;
    if (index < 0) index += textureCount_;
    BaseShader* picked = static_cast<BaseShader*>(textures_->GetIndex(index));
    if (picked) texture = picked;
  }

  // One component at a time: the location was stored one component at a time, and a wider
  // read of two of them would wait for both stores to retire instead of taking their values.
  cd->p.x = loc.u;
  SeparateStores();
  cd->p.y = loc.v;
  SeparateStores();
  cd->p.z = loc.w;
  Vector colour(0.0);
  if (texture) colour = ApplyCellVariation(texture->Sample(cd), cell);

  Real a = 0.0;
  Vector jointColour(0.0);
  if (loc.inJoint) {
    a = loc.jointWeight;
    if (RendersAlpha(cd)) {
      a = 1.0;
      jointColour = Vector(1.0);
    } else if (jointGradient_) {
      if (rawJointWeight_) {
        cd->p = p;
        return Vector(a);
      }
      jointColour = jointGradient_->CalcGradientPixel(a);
    } else {
      jointColour = Vector(a);
    }
  }
  cd->p = p;
  return colour * (1.0 - a) + jointColour * a;
}

Bool RegisterTavrelTiles() {
  return RegisterShaderPlugin(ID_TAVRELTILES, GeLoadString(IDS_TAVRELTILES), 0, TavrelTiles::Alloc, "Xtavrel_tiles", 0);
}
