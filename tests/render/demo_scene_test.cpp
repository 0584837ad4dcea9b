// The demo scene shows the colour-adjust shader's variation: objects of a band differ from
// each other, parents change their children's variation, and polygon groups vary together;
// its UV panel shows the wood texture through the UV transform.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "../host/module_fixture.h"
#include "image/image_reader.h"
#include "core/families.h"
#include "render/demo_scene.h"
#include "render/render_session.h"
#include "render/renderer.h"
#include "uv_transform.h"

namespace ombrel::test {
namespace {

using Colour = std::tuple<float, float, float>;

Colour At(const host::FloatImage& image, const HostNode* object, double u, double v) {
  const ObjectGeometry& g = object->geometry;
  const int x = static_cast<int>((g.left + u * (g.right - g.left)) * image.width);
  const int y = static_cast<int>((g.top + v * (g.bottom - g.top)) * image.height);
  const float* p = image.Pixel(x, y);
  return {p[0], p[1], p[2]};
}

TEST(DemoScene, EveryObjectShowsItsOwnVariation) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  host::InstallImageReader();  // the demo's floor reads image files
  ASSERT_TRUE(host::BuildDemoScene(h, scene, error)) << error;
  host::RenderOptions options;
  options.width = 320;
  options.height = 240;
  options.progress = false;
  host::FloatImage image;
  host::RenderReport report;
  ASSERT_TRUE(host::Render(scene, options, image, report, error)) << error;
  EXPECT_TRUE(report.failedSetUps.empty());

  for (const char* band : {"hue", "tone"}) {
    std::set<Colour> colours;
    for (int i = 1; i <= 6; ++i) colours.insert(At(image, scene.Find(band + ("-" + std::to_string(i))), 0.5, 0.5));
    EXPECT_EQ(colours.size(), 6u) << band;
  }
  // Children with the same identities under different parents differ, and differ from their
  // parent's frame.
  std::set<Colour> family;
  for (const char* name : {"family-1", "family-2", "family-1-1", "family-1-2", "family-1-3", "family-2-1",
                           "family-2-2", "family-2-3"}) {
    ASSERT_NE(scene.Find(name), nullptr) << name;
    family.insert(At(image, scene.Find(name), name[8] ? 0.5 : 0.01, 0.5));
  }
  EXPECT_EQ(family.size(), 8u);
  // The cut panel's six objects show cells of the atlas, whose colours differ from cell to cell
  // (a corner of each cell's border is dark, so sample inside, off the digits).
  std::set<Colour> cells;
  for (int i = 1; i <= 6; ++i) {
    ASSERT_NE(scene.Find("cut-" + std::to_string(i)), nullptr);
    cells.insert(At(image, scene.Find("cut-" + std::to_string(i)), 0.5, 0.1));
  }
  EXPECT_GE(cells.size(), 5u) << "identities 7919 to 47514 pick at least five different cells";
  // Polygons come in groups of two along each row of the strip.
  const HostNode* strip = scene.Find("polygons-1");
  ASSERT_NE(strip, nullptr);
  auto polygon = [&](int column) { return At(image, strip, (column + 0.5) / 16, 0.25); };
  EXPECT_EQ(polygon(0), polygon(1));
  EXPECT_NE(polygon(1), polygon(2));
  EXPECT_EQ(polygon(2), polygon(3));
  EXPECT_NE(polygon(3), polygon(4));
}

TEST(DemoScene, TheUvPanelShowsItsSourceThroughTheTransform) {
  host::Host h;
  ASSERT_NE(LoadModule(h), nullptr);
  host::Scene scene;
  std::string error;
  host::InstallImageReader();
  ASSERT_TRUE(host::BuildDemoScene(h, scene, error)) << error;
  HostNode* panel = scene.Find("uv-panel-shader");
  HostNode* wood = scene.Find("uv-panel-wood");
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(wood, nullptr);
  ASSERT_NE(scene.Find("uv-panel-1"), nullptr);

  // The transform worked out here from the panel's own parameters.
  const HostContainerApi* c = host::ContainerFamily();
  UvTransformSettings st;
  for (int i = 0; i < 4; ++i) {
    const HostVector corner = c->getVector(&panel->data, 1103 + i, HostVector{});
    st.corners[i] = UvPoint{corner.x, corner.y, 0.0};
  }
  st.bulge = c->getReal(&panel->data, 1108, 0.0);
  st.wave = c->getReal(&panel->data, 1109, 0.0);
  EXPECT_NE(st.bulge, 0.0);
  EXPECT_NE(st.wave, 0.0);

  host::RenderSession session;
  session.Begin(scene);
  for (const auto& [node, code] : session.Results()) EXPECT_EQ(code, 0);
  const HostShaderApi* shaders = host::ShaderFamily();
  int differ = 0;
  for (const auto& [u, v] : std::vector<std::pair<double, double>>{{0.1, 0.2}, {0.5, 0.5}, {0.9, 0.35}, {0.3, 0.95}}) {
    HostChannelData cd{};
    cd.p = HostVector{u, v, 0.0};
    const HostVector shown = shaders->sample(panel, &cd);
    UvPoint q;
    ASSERT_TRUE(TransformUv(st, UvPoint{u, v, 0.0}, false, q));
    cd.p = HostVector{q.u, q.v, 0.0};
    const HostVector expected = shaders->sample(wood, &cd);
    EXPECT_EQ(shown.x, expected.x) << u << " " << v;
    EXPECT_EQ(shown.z, expected.z) << u << " " << v;
    cd.p = HostVector{u, v, 0.0};
    if (shaders->sample(wood, &cd).x != shown.x) differ++;
  }
  EXPECT_GE(differ, 3);  // the panel is not the plain texture (nor black: the panel set up its source)
}

TEST(DemoScene, NeedsTheColourAdjustShader) {
  host::Host h;  // no module loaded
  host::Scene scene;
  std::string error;
  EXPECT_FALSE(host::BuildDemoScene(h, scene, error));
  EXPECT_NE(error.find("colour-adjust"), std::string::npos) << error;
}

}  // namespace
}  // namespace ombrel::test
