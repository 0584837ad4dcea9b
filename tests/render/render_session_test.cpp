// The render set-up's bookkeeping: which shaders are set up, and what a hit records.
#include <gtest/gtest.h>

#include <limits>

#include "core/families.h"
#include "core/scene.h"
#include "render/render_session.h"
#include "../host/module_fixture.h"

namespace ombrel::test {
namespace {

TEST(RenderSession, HitRecordsPolygonAndCornerWeightsOfTheGrid) {
  host::Host h;
  HostNode* doc = h.NewDocument("grid");
  HostNode* parent = host::NewObject(doc, nullptr, "parent", 5);
  HostNode* object = host::NewObject(doc, parent, "plane", 7);
  object->geometry.rows = 2;
  object->geometry.columns = 4;
  object->renderIndex = 3;
  HostNode* origin = host::NewObject(doc, nullptr, "origin", 11);
  object->originSerial = origin->serial;
  host::Scene scene;
  scene.document = doc;
  scene.objects = host::AllObjects(doc);

  host::RenderSession session;
  session.Begin(scene);
  const HostVolume vd = session.HitOn(object, 0.6, 0.75, HostVector{1, 2, 3});
  ASSERT_NE(vd.lastHit, nullptr);
  EXPECT_EQ(vd.lastHit->source, object);
  EXPECT_EQ(vd.lastHit->origin, origin);
  EXPECT_EQ(vd.lastHit->index, 3);
  EXPECT_EQ(vd.lastPolygon, 1 * 4 + 2);  // row 1, column 2
  EXPECT_DOUBLE_EQ(vd.weights[0] + vd.weights[1] + vd.weights[2] + vd.weights[3], 1.0);
  EXPECT_DOUBLE_EQ(vd.weights[2], 0.4 * 0.5);
  // The far edge belongs to the last polygon, not to one past it.
  EXPECT_EQ(session.HitOn(object, 1.0, 1.0, HostVector{}).lastPolygon, 7);
  // Objects outside the scene record no hit.
  HostNode other(NodeKind::Object, HOST_BASETYPE_OBJECT);
  EXPECT_EQ(session.HitOn(&other, 0.5, 0.5, HostVector{}).lastHit, nullptr);
}

TEST(RenderSession, HitsOnAGivenPolygonAndOnPointsOutsideTheRectangle) {
  host::Host h;
  HostNode* doc = h.NewDocument("grid");
  HostNode* object = host::NewObject(doc, nullptr, "plane", 1);
  object->geometry.rows = 3;
  object->geometry.columns = 2;
  host::Scene scene;
  scene.document = doc;
  scene.objects = host::AllObjects(doc);
  host::RenderSession session;
  session.Begin(scene);

  // Polygon 5 is row 2, column 1; (0.75, 0.75) lies in its cell at (0.5, 0.25).
  HostVolume vd = session.HitOnPolygon(object, 5, 0.75, 0.75, HostVector{});
  EXPECT_EQ(vd.lastPolygon, 5);
  EXPECT_DOUBLE_EQ(vd.weights[2], 0.5 * 0.25);
  // A point in another cell is brought to the polygon's nearest edge.
  vd = session.HitOnPolygon(object, 0, 0.9, 0.9, HostVector{});
  EXPECT_EQ(vd.lastPolygon, 0);
  EXPECT_DOUBLE_EQ(vd.weights[2], 1.0);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(session.HitOn(object, nan, nan, HostVector{}).lastPolygon, 0);
  EXPECT_EQ(session.HitOn(object, -5.0, 7.0, HostVector{}).lastPolygon, 4);
  EXPECT_EQ(session.HitOn(object, std::numeric_limits<double>::infinity(), 0.5, HostVector{}).lastPolygon, 3);
}

// The sums a shader gets in one call are the ones it would add up walking the hierarchy itself,
// wrapping at 32 bits; worked out here by hand.
TEST(RenderSession, IdentitySumsOfARenderObjectAreThoseOfItsChains) {
  host::Host h;
  HostNode* doc = h.NewDocument("chains");
  HostNode* root = host::NewObject(doc, nullptr, "root", INT32_MAX);
  HostNode* child = host::NewObject(doc, root, "child", 2);
  HostNode* leaf = host::NewObject(doc, child, "leaf", -5);
  HostNode* holder = host::NewObject(doc, nullptr, "holder", 2000000000);
  HostNode* generator = host::NewObject(doc, holder, "generator", 1000000000);
  leaf->originSerial = generator->serial;
  host::Scene scene;
  scene.document = doc;
  scene.objects = host::AllObjects(doc);
  host::RenderSession session;
  session.Begin(scene);

  struct Case {
    const HostRayObject* ro;
    HostIdentitySums expected;
    const char* what;
  };
  // INT32_MAX + 2 wraps to INT32_MIN + 1; -5 more is INT32_MAX - 3. 3e9 wraps to 3e9 - 2^32.
  const int32_t generatorChain = static_cast<int32_t>(3000000000LL - 4294967296LL);
  for (const Case& c : {Case{session.RayObjectOf(root), {INT32_MAX, 0, INT32_MAX, HOST_TRUE, HOST_FALSE}, "root"},
                        Case{session.RayObjectOf(child), {INT32_MIN + 1, 0, 2, HOST_TRUE, HOST_FALSE}, "child"},
                        Case{session.RayObjectOf(leaf), {INT32_MAX - 3, generatorChain, -5, HOST_TRUE, HOST_TRUE}, "leaf"},
                        Case{session.AddRenderObjectWithoutSource(9, generator), {0, generatorChain, 0, HOST_FALSE, HOST_TRUE},
                             "no source"},
                        Case{session.AddRenderObjectWithoutSource(10, nullptr), {0, 0, 0, HOST_FALSE, HOST_FALSE}, "nothing"}}) {
    ASSERT_NE(c.ro, nullptr) << c.what;
    HostIdentitySums got{7, 7, 7, 7, 7};
    ASSERT_EQ(host::ShaderFamily()->rayObjectIdentitySums(c.ro, &got), HOST_TRUE) << c.what;
    EXPECT_EQ(got.sourceChain, c.expected.sourceChain) << c.what;
    EXPECT_EQ(got.originChain, c.expected.originChain) << c.what;
    EXPECT_EQ(got.sourceIdentity, c.expected.sourceIdentity) << c.what;
    EXPECT_EQ(got.hasSource, c.expected.hasSource) << c.what;
    EXPECT_EQ(got.hasOrigin, c.expected.hasOrigin) << c.what;
  }
  HostIdentitySums none{7, 7, 7, 7, 7};
  EXPECT_EQ(host::ShaderFamily()->rayObjectIdentitySums(nullptr, &none), HOST_FALSE);
  EXPECT_EQ(none.sourceChain, 0);
  EXPECT_EQ(none.hasOrigin, HOST_FALSE);
  EXPECT_EQ(host::ShaderFamily()->rayObjectIdentitySums(session.RayObjectOf(root), nullptr), HOST_FALSE);
}

// A shader's set-up is told the render objects of its render, and only while that render lasts;
// another set-up record gets none.
TEST(RenderSession, SetUpListsTheRenderObjectsOfItsRenderOnly) {
  host::Host h;
  HostNode* doc = h.NewDocument("listing");
  HostNode* a = host::NewObject(doc, nullptr, "a", 1);
  HostNode* b = host::NewObject(doc, a, "b", 2);
  host::Scene scene;
  scene.document = doc;
  scene.objects = host::AllObjects(doc);
  const HostShaderApi* api = host::ShaderFamily();

  host::RenderSession session;
  session.Begin(scene);
  const HostInitRender* irs = &session.InitRecord();
  int32_t count = -1;
  const HostRayObject* const* objects = api->renderObjects(irs, &count);
  ASSERT_NE(objects, nullptr);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(objects[0], session.RayObjectOf(a));
  EXPECT_EQ(objects[1], session.RayObjectOf(b));

  const HostInitRender other{};
  count = -1;
  EXPECT_EQ(api->renderObjects(&other, &count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(api->renderObjects(irs, nullptr), nullptr);
  EXPECT_EQ(api->renderObjects(nullptr, &count), nullptr);

  session.End();
  EXPECT_EQ(api->renderObjects(irs, &count), nullptr);
  EXPECT_EQ(count, 0);

  // The hit's render object and polygon in one call, as the two calls give them.
  session.Begin(scene);
  const HostVolume vd = session.HitOnPolygon(b, 0, 0.5, 0.5, HostVector{});
  int32_t polygon = -2;
  EXPECT_EQ(api->volumeLastHit(&vd, &polygon), session.RayObjectOf(b));
  EXPECT_EQ(polygon, 0);
  EXPECT_EQ(api->volumeLastHit(&vd, nullptr), session.RayObjectOf(b));
  EXPECT_EQ(api->volumeLastHit(nullptr, &polygon), nullptr);
  EXPECT_EQ(polygon, -1);
  // A record that says no ray hit has no polygon, whatever its polygon field holds.
  HostVolume missed = vd;
  missed.lastHitId = 0;
  EXPECT_EQ(api->volumeLastPolygon(&missed), -1);
  polygon = 5;
  EXPECT_EQ(api->volumeLastHit(&missed, &polygon), api->volumeLastHitObject(&missed));
  EXPECT_EQ(polygon, -1);
}

}  // namespace
}  // namespace ombrel::test
