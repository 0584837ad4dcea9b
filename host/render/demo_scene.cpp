#include "render/demo_scene.h"

#include <filesystem>

#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/gradient.h"
#include "core/module_library.h"

namespace ombrel::host {

namespace {

enum : int32_t {
  kSeed = 1001, kHue = 1002, kSaturation = 1003, kLightness = 1004, kGradient = 1005, kGradientMix = 1006,
  kGamma = 1007, kColor = 1010, kPerPolygon = 1014, kPolygonGroup = 1015
};

struct Builder {
  Host& host;
  Scene& scene;
  std::string& error;

  // A material whose colour channel is a new colour-adjust shader; null when the module
  // cannot make one.
  HostNode* Material(const std::string& name, HostNode** shaderOut) {
    std::unique_ptr<HostNode> node = CreateShader(host.GetRegistry(), kColourAdjustShaderId);
    if (!node) {
      error = "the module has no colour-adjust shader (plug-in " + std::to_string(kColourAdjustShaderId) +
              ") to build the demo scene with";
      return nullptr;
    }
    HostNode* material = NewMaterial(scene.document, name);
    HostNode* shader = InsertShader(material, std::move(node), nullptr);
    material->channelShaderSerial = shader->serial;
    scene.named[name] = material;
    scene.named[name + "-shader"] = shader;
    *shaderOut = shader;
    return material;
  }

  HostNode* Object(const std::string& name, int32_t identity, HostNode* parent, HostNode* material,
                   ObjectGeometry geometry) {
    HostNode* object = NewObject(scene.document, parent, name, identity);
    object->geometry = geometry;
    object->materialSerial = material->serial;
    object->renderIndex = static_cast<int32_t>(scene.objects.size());
    scene.objects.push_back(object);
    scene.named[name] = object;
    return object;
  }
};

void SetReal(HostNode* shader, int32_t id, double value) { ContainerFamily()->setReal(&shader->data, id, value); }

// The example textures: beside the program (the build copies them there), else in the source
// tree the program was built from.
std::filesystem::path TextureFolder() {
  std::error_code ec;
  const std::filesystem::path beside = ExecutableDir() / "textures";
  if (!ExecutableDir().empty() && std::filesystem::is_directory(beside, ec)) return beside;
#ifdef OMBREL_SOURCE_DIR
  return std::filesystem::path(OMBREL_SOURCE_DIR) / "examples" / "textures";
#else
  return beside;
#endif
}

enum : int32_t {
  kTileJointWidth = 1081, kTileNoiseScale = 1082, kTileTexture = 1100, kTileFlipV = 1103, kTileRandomRotate = 1104,
  kTileRowOffset = 1161, kTileColumns = 1166, kTileRows = 1167, kTileTextureCount = 1220, kTileSlot = 3100,
  kTileBrightness = 1096, kTileSaturation = 1094
};

// The tile floor: four image textures, offset rows, random flips and turns, noisy joints.
bool AddTileFloor(Host& host, Scene& scene, std::string& error, ObjectGeometry floor) {
  std::unique_ptr<HostNode> node = CreateShader(host.GetRegistry(), kTileShaderId);
  if (!node) {
    error = "the module has no tile shader (plug-in " + std::to_string(kTileShaderId) + ") to build the demo scene with";
    return false;
  }
  const HostContainerApi* c = ContainerFamily();
  HostNode* material = NewMaterial(scene.document, "floor");
  HostNode* tiles = InsertShader(material, std::move(node), nullptr);
  material->channelShaderSerial = tiles->serial;
  const char* textures[] = {"stone", "slate", "terracotta", "wood"};
  for (int32_t i = 0; i < 4; ++i) {
    HostNode* bitmap = InsertShader(tiles, CreateShader(host.GetRegistry(), kBitmapShaderType), nullptr);
    const std::string file = (TextureFolder() / (std::string(textures[i]) + ".png")).string();
    c->setString(&bitmap->data, kBitmapFileParam, HostStr{file.data(), static_cast<int64_t>(file.size())});
    c->setLink(&tiles->data, i == 0 ? kTileTexture : kTileSlot + i, bitmap);
    scene.named[std::string("floor-") + textures[i]] = bitmap;
  }
  c->setInt32(&tiles->data, kTileTextureCount, 4);
  c->setInt32(&tiles->data, kTileColumns, 12);
  c->setInt32(&tiles->data, kTileRows, 4);
  c->setInt32(&tiles->data, kTileFlipV, HOST_TRUE);
  c->setInt32(&tiles->data, kTileRandomRotate, HOST_TRUE);
  c->setReal(&tiles->data, kTileRowOffset, 0.5);
  c->setReal(&tiles->data, kTileJointWidth, 0.07);
  c->setReal(&tiles->data, kTileNoiseScale, 30.0);
  c->setReal(&tiles->data, kTileBrightness, 0.3);
  c->setReal(&tiles->data, kTileSaturation, 0.3);
  HostNode* object = NewObject(scene.document, nullptr, "floor-1", 100);
  floor.rows = 4;
  floor.columns = 12;
  object->geometry = floor;
  object->materialSerial = material->serial;
  object->renderIndex = static_cast<int32_t>(scene.objects.size());
  scene.objects.push_back(object);
  scene.named["floor"] = material;
  scene.named["floor-shader"] = tiles;
  scene.named["floor-1"] = object;
  return true;
}

enum : int32_t {
  kCutTexture = 1000, kCutImageWidth = 1004, kCutImageHeight = 1005, kCutCellWidth = 1007, kCutCellHeight = 1008
};

// The cut panel: six objects over the numbered atlas, each showing the cell its identity picks.
// A module without the cut shader (the macOS build) leaves the panel out.
void AddCutPanel(Host& host, Scene& scene, ObjectGeometry area) {
  std::unique_ptr<HostNode> node = CreateShader(host.GetRegistry(), kCutShaderId);
  if (!node) return;
  const HostContainerApi* c = ContainerFamily();
  HostNode* material = NewMaterial(scene.document, "cut");
  HostNode* cut = InsertShader(material, std::move(node), nullptr);
  material->channelShaderSerial = cut->serial;
  HostNode* atlas = InsertShader(cut, CreateShader(host.GetRegistry(), kBitmapShaderType), nullptr);
  const std::string file = (TextureFolder() / "numbered_cells.png").string();
  c->setString(&atlas->data, kBitmapFileParam, HostStr{file.data(), static_cast<int64_t>(file.size())});
  c->setLink(&cut->data, kCutTexture, atlas);
  c->setInt32(&cut->data, kCutImageWidth, 512);
  c->setInt32(&cut->data, kCutImageHeight, 256);
  c->setInt32(&cut->data, kCutCellWidth, 64);
  c->setInt32(&cut->data, kCutCellHeight, 64);
  scene.named["cut"] = material;
  scene.named["cut-shader"] = cut;
  scene.named["cut-atlas"] = atlas;
  constexpr int kObjects = 6;
  const double gap = 0.01, width = (area.right - area.left - (kObjects - 1) * gap) / kObjects;
  for (int i = 0; i < kObjects; ++i) {
    const std::string name = "cut-" + std::to_string(i + 1);
    HostNode* object = NewObject(scene.document, nullptr, name, 7919 * (i + 1));
    object->geometry.left = area.left + i * (width + gap);
    object->geometry.right = object->geometry.left + width;
    object->geometry.top = area.top;
    object->geometry.bottom = area.bottom;
    object->materialSerial = material->serial;
    object->renderIndex = static_cast<int32_t>(scene.objects.size());
    scene.objects.push_back(object);
    scene.named[name] = object;
  }
}

enum : int32_t {
  kUvSource = 1100, kUvCorner1 = 1103, kUvCorner2 = 1104, kUvCorner3 = 1105, kUvCorner4 = 1106, kUvBulge = 1108,
  kUvWave = 1109
};

// The UV panel: the wood texture seen through a perspective-like quad, bulged and waved.
bool AddUvPanel(Host& host, Scene& scene, std::string& error, ObjectGeometry panel) {
  std::unique_ptr<HostNode> node = CreateShader(host.GetRegistry(), kUvTransformShaderId);
  if (!node) {
    error = "the module has no UV transform shader (plug-in " + std::to_string(kUvTransformShaderId) +
            ") to build the demo scene with";
    return false;
  }
  const HostContainerApi* c = ContainerFamily();
  HostNode* material = NewMaterial(scene.document, "uv-panel");
  HostNode* transform = InsertShader(material, std::move(node), nullptr);
  material->channelShaderSerial = transform->serial;
  HostNode* wood = InsertShader(transform, CreateShader(host.GetRegistry(), kBitmapShaderType), nullptr);
  const std::string file = (TextureFolder() / "wood.png").string();
  c->setString(&wood->data, kBitmapFileParam, HostStr{file.data(), static_cast<int64_t>(file.size())});
  c->setLink(&transform->data, kUvSource, wood);
  c->setVector(&transform->data, kUvCorner1, HostVector{0.2, 0.1, 0.0});
  c->setVector(&transform->data, kUvCorner2, HostVector{0.85, 0.05, 0.0});
  c->setVector(&transform->data, kUvCorner3, HostVector{0.95, 0.9, 0.0});
  c->setVector(&transform->data, kUvCorner4, HostVector{0.05, 0.8, 0.0});
  c->setReal(&transform->data, kUvBulge, 0.6);
  c->setReal(&transform->data, kUvWave, 0.35);
  HostNode* object = NewObject(scene.document, nullptr, "uv-panel-1", 200);
  object->geometry = panel;
  object->materialSerial = material->serial;
  object->renderIndex = static_cast<int32_t>(scene.objects.size());
  scene.objects.push_back(object);
  scene.named["uv-panel"] = material;
  scene.named["uv-panel-shader"] = transform;
  scene.named["uv-panel-wood"] = wood;
  scene.named["uv-panel-1"] = object;
  return true;
}

}  // namespace

bool BuildDemoScene(Host& host, Scene& scene, std::string& error) {
  scene = Scene{};
  scene.document = host.NewDocument("demo");
  scene.settings.width = 800;
  scene.settings.height = 800;
  scene.settings.background = HostVector{0.06, 0.06, 0.07};
  Builder b{host, scene, error};

  // The four colour bands fill the top three quarters; the tile floor lies below them.
  constexpr double kMargin = 0.03, kGap = 0.02, kBandsBottom = 0.72;
  constexpr double kBandHeight = (kBandsBottom - kMargin - 3 * kGap) / 4;
  auto bandTop = [&](int band) { return kMargin + band * (kBandHeight + kGap); };
  auto cell = [&](int band, int column, int columns) {
    const double cellWidth = (1.0 - 2 * kMargin - (columns - 1) * kGap) / columns;
    ObjectGeometry g;
    g.left = kMargin + column * (cellWidth + kGap);
    g.right = g.left + cellWidth;
    g.top = bandTop(band);
    g.bottom = g.top + kBandHeight;
    return g;
  };

  // Hue only: one warm base colour turned round the colour wheel per object.
  HostNode* shader = nullptr;
  HostNode* hue = b.Material("hue", &shader);
  if (!hue) return false;
  ContainerFamily()->setVector(&shader->data, kColor, HostVector{0.85, 0.35, 0.2});
  SetReal(shader, kHue, 0.6);
  for (int i = 0; i < 6; ++i) b.Object("hue-" + std::to_string(i + 1), i + 1, nullptr, hue, cell(0, i, 6));

  // Saturation and lightness of a blue.
  HostNode* tone = b.Material("tone", &shader);
  if (!tone) return false;
  ContainerFamily()->setVector(&shader->data, kColor, HostVector{0.25, 0.5, 0.8});
  SetReal(shader, kSaturation, 0.8);
  SetReal(shader, kLightness, 0.5);
  for (int i = 0; i < 6; ++i) b.Object("tone-" + std::to_string(i + 1), i + 1, nullptr, tone, cell(1, i, 6));

  // Everything at once, and objects under parents.
  HostNode* family = b.Material("family", &shader);
  if (!family) return false;
  ContainerFamily()->setVector(&shader->data, kColor, HostVector{0.6, 0.75, 0.3});
  ContainerFamily()->setInt32(&shader->data, kSeed, 7);
  SetReal(shader, kHue, 0.3);
  SetReal(shader, kSaturation, 0.5);
  SetReal(shader, kLightness, 0.4);
  SetReal(shader, kGamma, 0.5);
  SetReal(shader, kGradientMix, 0.5);
  if (auto* gradient = static_cast<HostGradient*>(
          ContainerFamily()->getCustom(&shader->data, kGradient, HOST_CUSTOMDATA_GRADIENT))) {
    gradient->knots = {HostGradientKnot{{0.9, 0.2, 0.3}, 1.0, 0.0, 0.5, 0, 0},
                       HostGradientKnot{{0.95, 0.8, 0.2}, 1.0, 0.5, 0.5, 1, 0},
                       HostGradientKnot{{0.2, 0.4, 0.9}, 1.0, 1.0, 0.5, 2, 0}};
  }
  for (int p = 0; p < 2; ++p) {
    ObjectGeometry frame = cell(2, p, 2);
    const std::string parentName = "family-" + std::to_string(p + 1);
    HostNode* parent = b.Object(parentName, 10 * (p + 1), nullptr, family, frame);
    const double inset = 0.012, width = frame.right - frame.left - 2 * inset;
    for (int c = 0; c < 3; ++c) {
      ObjectGeometry g;
      g.left = frame.left + inset + c * width / 3 + (c > 0 ? inset / 2 : 0);
      g.right = frame.left + inset + (c + 1) * width / 3 - (c < 2 ? inset / 2 : 0);
      g.top = frame.top + 2 * inset;
      g.bottom = frame.bottom - 2 * inset;
      b.Object(parentName + "-" + std::to_string(c + 1), c + 1, parent, family, g);
    }
  }

  // One object, a variation per group of two polygons.
  HostNode* polygons = b.Material("polygons", &shader);
  if (!polygons) return false;
  ContainerFamily()->setVector(&shader->data, kColor, HostVector{0.7, 0.45, 0.75});
  SetReal(shader, kHue, 0.25);
  SetReal(shader, kLightness, 0.45);
  ContainerFamily()->setInt32(&shader->data, kPerPolygon, HOST_TRUE);
  ContainerFamily()->setInt32(&shader->data, kPolygonGroup, 2);
  ObjectGeometry strip = cell(3, 0, 2);
  strip.rows = 2;
  strip.columns = 16;
  b.Object("polygons-1", 1, nullptr, polygons, strip);
  AddCutPanel(host, scene, cell(3, 1, 2));

  // The floor and, at its right, the UV panel share the bottom quarter.
  constexpr double kPanelLeft = 0.74;
  ObjectGeometry floor;
  floor.left = kMargin;
  floor.right = kPanelLeft - kGap;
  floor.top = kBandsBottom + kGap;
  floor.bottom = 1.0 - kMargin;
  if (!AddTileFloor(host, scene, error, floor)) return false;
  ObjectGeometry panel = floor;
  panel.left = kPanelLeft;
  panel.right = 1.0 - kMargin;
  return AddUvPanel(host, scene, error, panel);
}

}  // namespace ombrel::host
