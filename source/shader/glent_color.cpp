// Colour-adjust shader: gives every object, or every group of polygons, its own variation of
// hue, saturation, lightness and gamma of an input colour, optionally mixed with a random
// colour from a gradient. The variations are drawn into a table at every render start, from a
// seed, so a scene renders the same way each time and on every machine.
#include <cmath>

#include "default_gradient.h"
#include "hsl_color.h"
#include "main.h"
#include "numeric.h"
#include "seeded_random.h"
#include "shader_messages.h"
#include "variation_key.h"
#include "xglent_color.h"

namespace {

constexpr LONG ID_GLENTSHADER = 1029019;
constexpr LONG kTableSize = 16000;

// One random variation; the four factors are already scaled by their parameters.
struct GlentVariation {
  Real hue;
  Real saturation;
  Real lightness;
  Real gamma;
  Real position;         // uniform in [0, 1)
  Vector gradientColor;  // the gradient at the wrapped position, when the gradient is mixed in
};

// Everything Output reads, written by InitRender and cleared by FreeRender. The table lives in
// the shader object so rendering allocates nothing.
struct GlentRenderData {
  LONG result = INITRENDERRESULT_OK;
  BaseShader* texture = nullptr;         // not owned
  BaseShader* strengthShader = nullptr;  // not owned
  Gradient* gradient = nullptr;          // owned by the parameter container
  Real gradientMix = 0.0;
  Real strength = 1.0;
  Real gradientOffset = 0.0;
  Vector color;
  LONG varyHsl = 0;
  LONG useGradient = 0;
  LONG groupSize = 0;
  // Nothing can change the colour: no HSL or gamma variation, no gradient and a finite, constant
  // strength. Output then skips the per-object key, which costs a walk up the object hierarchy.
  LONG passThrough = 0;
  GlentVariation table[kTableSize] = {};

  LONG Init(BaseShader* sh, const InitRenderStruct& irs);
  void Free();
};

BaseShader* SetUpInput(BaseShader* input, const InitRenderStruct& irs, LONG& result) {
  if (!input) return nullptr;
  const LONG code = input->InitRender(irs);
  if (code == INITRENDERRESULT_OK) return input;
  result = code;
  return nullptr;
}

LONG GlentRenderData::Init(BaseShader* sh, const InitRenderStruct& irs) {
  const BaseContainer* data = sh->GetDataInstance();
  result = INITRENDERRESULT_OK;
  // The last input whose set-up fails decides the result.
  texture = SetUpInput(static_cast<BaseShader*>(data->GetLink(GLENTCOLOR_TEXTURE, irs.doc, HOST_BASETYPE_SHADER)),
                       irs, result);
  strengthShader = SetUpInput(
      static_cast<BaseShader*>(data->GetLink(GLENTCOLOR_STRENGTH_SHADER, irs.doc, HOST_BASETYPE_SHADER)), irs, result);

  gradient = Gradient::From(data->GetCustomDataType(GLENTCOLOR_GRADIENT, CUSTOMDATATYPE_GRADIENT));
  if (gradient && !gradient->InitRender(irs)) gradient = nullptr;

  color = data->GetVector(GLENTCOLOR_COLOR, Vector(1.0, 1.0, 1.0));
  if (irs.linear_workflow) color = TransformColor(color, HOST_COLORSPACE_SRGB_TO_LINEAR);

  groupSize = data->GetLong(GLENTCOLOR_POLYGON_GROUP, 1);
  if (!data->GetBool(GLENTCOLOR_PER_POLYGON, FALSE)) groupSize = 0;

  strength = data->GetReal(GLENTCOLOR_STRENGTH, 1.0);
  const LONG direction = data->GetLong(GLENTCOLOR_DIRECTION, GLENTCOLOR_DIRECTION_BOTH);
  const LONG seed = data->GetLong(GLENTCOLOR_SEED, 200);
  const Real hue = data->GetReal(GLENTCOLOR_HUE, 0.0);
  const Real saturation = data->GetReal(GLENTCOLOR_SATURATION, 0.0);
  const Real lightness = data->GetReal(GLENTCOLOR_LIGHTNESS, 0.0);
  const Real gamma = data->GetReal(GLENTCOLOR_GAMMA, 0.0);
  const Real mix = data->GetReal(GLENTCOLOR_GRADIENT_MIX, 0.0);
  gradientMix = mix;

  varyHsl = (hue != 0.0 || saturation != 0.0 || lightness != 0.0) ? 1 : 0;
  useGradient = (gradient && mix != 0.0) ? 1 : 0;
  gradientOffset = data->GetReal(GLENTCOLOR_GRADIENT_OFFSET, 0.0);
  // With a zero gamma parameter every entry's gamma factor is zero, so Output's gamma sees
  // g = strength × 0 + 1 = 1 exactly whenever the strength is finite.
  passThrough = (!varyHsl && !useGradient && gamma == 0.0 && !strengthShader && std::isfinite(strength)) ? 1 : 0;

  SeededRandom rnd;
  rnd.Init(seed);
  rnd.Get01();  // the first draw is discarded, so seeds close together do not start alike

  // Draw order per entry: hue, saturation, lightness, gamma, position.
  auto factor = [&rnd, direction]() -> Real {
    switch (direction) {
      case GLENTCOLOR_DIRECTION_POSITIVE: return rnd.Get01();
      case GLENTCOLOR_DIRECTION_NEGATIVE: return -rnd.Get01();
      default: return rnd.Get11();
    }
  };
  for (GlentVariation& e : table) {
    e.hue = factor() * hue;
    e.saturation = factor() * saturation;
    e.lightness = factor() * lightness;
    e.gamma = factor() * gamma;
    e.position = rnd.Get01();
    if (useGradient) {
      Real t = e.position + gradientOffset;
      t = t - std::trunc(t);
      if (t < 0.0) t += 1.0;
      e.gradientColor = gradient->CalcGradientPixel(t);
    }
  }
  return result;
}

void GlentRenderData::Free() {
  if (texture) {
    texture->FreeRender();
    texture = nullptr;
  }
  if (strengthShader) {
    strengthShader->FreeRender();
    strengthShader = nullptr;
  }
  if (gradient) {
    gradient->FreeRender();
    gradient = nullptr;
  }
  varyHsl = 0;
  passThrough = 0;
}

Vector Clamp01(const Vector& c) { return Vector(ombrel::Clamp01(c.x), ombrel::Clamp01(c.y), ombrel::Clamp01(c.z)); }

}  // namespace

class GlentShader : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(GlentShader); }
  ~GlentShader() override { render_.Free(); }

  Bool Init(GeListNode* node) override;
  Bool Message(GeListNode* node, LONG type, void* data) override;
  Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                    const BaseContainer* itemDescription) override;
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override {
    return render_.Init(sh, irs);
  }
  void FreeRender(BaseShader* sh) override {
    (void)sh;
    render_.Free();
  }
  Vector Output(BaseShader* sh, ChannelData* cd) override;

 private:
  GlentRenderData render_;
  // Set while a message is passed on to the inputs: shaders linked in a circle then pass it
  // round once, not for ever. Messages arrive on the main thread only.
  bool forwarding_ = false;
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
  return WriteTwoKnotGradient(data, GLENTCOLOR_GRADIENT, Vector(0.0), 0.0, Vector(1.0), 1.0);
}

Bool GlentShader::Message(GeListNode* node, LONG type, void* data) {
  BaseShader* sh = static_cast<BaseShader*>(node);
  if (TakeOverInitialChannel(sh, GLENTCOLOR_TEXTURE, type, data)) return TRUE;
  ForwardToLinkedShaders(sh, {GLENTCOLOR_TEXTURE, GLENTCOLOR_STRENGTH_SHADER}, type, data, forwarding_);
  return TRUE;
}

Bool GlentShader::GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                               const BaseContainer* itemDescription) {
  (void)data;
  (void)flags;
  (void)itemDescription;
  BaseList2D* list = static_cast<BaseList2D*>(node);
  const BaseContainer* bc = list->GetDataInstance();
  switch (id[0]) {
    case GLENTCOLOR_GRADIENT:
      return bc->GetReal(GLENTCOLOR_GRADIENT_MIX, 0.0) > 0.0;
    case GLENTCOLOR_COLOR:
      return bc->GetLink(GLENTCOLOR_TEXTURE, list->GetDocument(), HOST_BASETYPE_SHADER) == nullptr;
    case GLENTCOLOR_POLYGON_GROUP:
      return bc->GetBool(GLENTCOLOR_PER_POLYGON, FALSE);
    default:
      return TRUE;
  }
}

Vector GlentShader::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  const GlentRenderData& r = render_;
  if (r.passThrough) return r.texture ? r.texture->Sample(cd) : r.color;
  Vector c = r.color;
  const LONG key = VariationKey(r.groupSize, cd->vd);

  Real a = r.strength;
  if (r.strengthShader) {
    const Vector s = r.strengthShader->Sample(cd);
    a = a * ((s.y + s.x + s.z) * 0.3333333333333333);
  }

  LONG i = key % kTableSize;
  if (i < 0) i += kTableSize;
  const GlentVariation& e = r.table[i];

  if (r.texture) c = r.texture->Sample(cd);

  if (r.useGradient && r.gradient) {
    const Real w = (r.texture ? e.position : 1.0) * (a * r.gradientMix);
    c = Clamp01(c + (e.gradientColor - c) * w);
  }

  if (r.varyHsl) {
    Real h = 0.0, l = 0.0, s = 0.0;
    RgbToHsl(c.x, c.y, c.z, h, l, s);
    HslToRgb(h + e.hue * 180.0 * a, l * (a * e.lightness + 1.0), s * (a * e.saturation + 1.0), c.x, c.y, c.z);
    c = Clamp01(c);
  }

  const Real g = a * e.gamma + 1.0;
  if (g != 0.0 && 1.0 / g != 1.0) {
    const Real inv = 1.0 / g;
    c = Vector(ombrel::GammaPow(c.x, inv), ombrel::GammaPow(c.y, inv), ombrel::GammaPow(c.z, inv));
  }
  return c;
}

Bool RegisterGlentShader() {
  return RegisterShaderPlugin(ID_GLENTSHADER, GeLoadString(IDS_GLENTCOLOR), 0, GlentShader::Alloc, "xglent_color", 0);
}
