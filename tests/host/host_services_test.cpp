// The host's services as a module sees them: through the C function tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/gradient.h"
#include "core/material_preview.h"
#include "core/memory_ledger.h"
#include "core/noise.h"
#include "core/nodes.h"
#include "core/scene.h"
#include "core/registry.h"

namespace ombrel::test {
namespace {

using host::RealToText;

TEST(RealToText, ShortestTextThatReadsBack) {
  EXPECT_EQ(RealToText(2.0, -1, -1, false, '0'), "2");
  EXPECT_EQ(RealToText(0.1, -1, -1, false, '0'), "0.1");
  EXPECT_EQ(RealToText(-1.5, -1, -1, false, '0'), "-1.5");
  EXPECT_EQ(RealToText(1e20, -1, -1, false, '0'), "100000000000000000000");
  EXPECT_EQ(RealToText(2.0, 3, -1, false, '0'), "002");
  EXPECT_EQ(RealToText(-2.0, 3, 2, false, ' '), "-  2.00");
  EXPECT_EQ(RealToText(1234.5, -1, -1, true, '0'), "1.2345e+03");
  EXPECT_EQ(RealToText(std::numeric_limits<double>::quiet_NaN(), -1, -1, false, '0'), "nan");
  EXPECT_EQ(RealToText(-std::numeric_limits<double>::infinity(), -1, -1, false, '0'), "-inf");
  // Huge digit requests are served in full through the length the C call reports.
  const HostStringApi* strings = host::StringFamily();
  char small[4];
  const int64_t needed = strings->realToText(0.125, -1, -1, HOST_FALSE, '0', small, sizeof(small));
  EXPECT_EQ(needed, 5);
  EXPECT_EQ(std::string(small, 4), "0.12");
}

TEST(Containers, TypedReadsAnswerThePresetForMissingOrOtherTypes) {
  const HostContainerApi* c = host::ContainerFamily();
  HostContainer bc;
  c->setInt32(&bc, 1, 7);
  c->setReal(&bc, 2, 0.25);
  c->setVector(&bc, 3, HostVector{1, 2, 3});
  c->setString(&bc, 4, HostStr{"abc", 3});
  EXPECT_EQ(c->getInt32(&bc, 1, -1), 7);
  EXPECT_EQ(c->getInt32(&bc, 2, -1), -1);  // a real is not an integer
  EXPECT_EQ(c->getReal(&bc, 2, -1.0), 0.25);
  EXPECT_EQ(c->getReal(&bc, 99, -1.0), -1.0);
  EXPECT_EQ(c->getVector(&bc, 3, HostVector{}).z, 3.0);
  EXPECT_EQ(c->getString(&bc, 4).length, 3);
  EXPECT_EQ(c->getType(&bc, 99), HOST_DA_NIL);
  // Overwriting keeps the entry's place; browsing walks entries in insertion order.
  c->setReal(&bc, 1, 9.0);
  int32_t id = 0;
  const HostData* data = nullptr;
  ASSERT_TRUE(c->browse(&bc, 0, &id, &data));
  EXPECT_EQ(id, 1);
  EXPECT_EQ(c->dataGetReal(data), 9.0);
  EXPECT_FALSE(c->browse(&bc, 4, &id, &data));
  EXPECT_FALSE(c->browse(&bc, -1, &id, &data));
  // Null handles are answered, not dereferenced.
  EXPECT_EQ(c->getInt32(nullptr, 1, 5), 5);
  EXPECT_EQ(c->getLink(nullptr, 1, nullptr, 0), nullptr);
}

TEST(Containers, CopiesAreDeepForCustomData) {
  const HostContainerApi* c = host::ContainerFamily();
  HostContainer a;
  HostData gradient;
  ASSERT_TRUE(c->dataSetCustomDefault(&gradient, HOST_CUSTOMDATA_GRADIENT));
  EXPECT_FALSE(c->dataSetCustomDefault(&gradient, 424242));
  c->setData(&a, 5, &gradient);
  HostContainer b;
  ASSERT_TRUE(c->containerCopy(&a, &b));
  auto* ga = static_cast<HostGradient*>(c->getCustom(&a, 5, HOST_CUSTOMDATA_GRADIENT));
  auto* gb = static_cast<HostGradient*>(c->getCustom(&b, 5, HOST_CUSTOMDATA_GRADIENT));
  ASSERT_NE(ga, nullptr);
  ASSERT_NE(gb, nullptr);
  EXPECT_NE(ga, gb);
  HostGradientKnot knot{HostVector{1, 0, 0}, 1.0, 0.5, 0.5, 0, 0};
  host::GradientFamily()->insertKnot(ga, &knot);
  EXPECT_EQ(ga->knots.size(), 1u);
  EXPECT_TRUE(gb->knots.empty());
  EXPECT_EQ(c->getCustom(&a, 5, 1), nullptr);  // asked for another custom type
}

TEST(Containers, MaterialPreviewKeepsItsModeThroughCopiesAndRefusesOtherData) {
  const HostContainerApi* c = host::ContainerFamily();
  HostData preview;
  ASSERT_TRUE(c->dataSetCustomDefault(&preview, HOST_CUSTOMDATA_MATPREVIEW));
  void* mp = c->dataGetCustom(&preview, HOST_CUSTOMDATA_MATPREVIEW);
  ASSERT_TRUE(c->materialPreviewSetType(mp, 2004));
  HostContainer bc;
  c->setData(&bc, 520000000, &preview);
  const auto* stored = static_cast<const HostMaterialPreview*>(
      static_cast<HostCustomData*>(c->getCustom(&bc, 520000000, HOST_CUSTOMDATA_MATPREVIEW)));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->previewType, 2004);
  HostData gradient;
  ASSERT_TRUE(c->dataSetCustomDefault(&gradient, HOST_CUSTOMDATA_GRADIENT));
  EXPECT_FALSE(c->materialPreviewSetType(c->dataGetCustom(&gradient, HOST_CUSTOMDATA_GRADIENT), 2004));
  EXPECT_FALSE(c->materialPreviewSetType(nullptr, 2004));
}

TEST(Links, ResolveOnlyLiveTargetsOfTheRightTypeInTheDocument) {
  const HostNodeApi* n = host::NodeFamily();
  host::Registry registry;
  HostNode doc(NodeKind::Document, HOST_BASETYPE_DOCUMENT);
  doc.document = &doc;
  HostNode otherDoc(NodeKind::Document, HOST_BASETYPE_DOCUMENT);
  otherDoc.document = &otherDoc;
  HostNode* shader = host::InsertShader(&doc, host::CreateShader(registry, host::kColorShaderType), nullptr);
  ASSERT_NE(shader, nullptr);

  HostLink link;
  n->linkSet(&link, shader);
  EXPECT_EQ(n->linkGet(&link, &doc, HOST_BASETYPE_SHADER), shader);
  EXPECT_EQ(n->linkGet(&link, &doc, 0), shader);
  EXPECT_EQ(n->linkGet(&link, &doc, HOST_BASETYPE_OBJECT), nullptr);
  EXPECT_EQ(n->linkGet(&link, &otherDoc, HOST_BASETYPE_SHADER), nullptr);

  n->remove(shader);
  n->free(nullptr, shader);
  EXPECT_EQ(n->linkGet(&link, &doc, HOST_BASETYPE_SHADER), nullptr);
  EXPECT_EQ(n->linkGet(&link, nullptr, 0), nullptr);
}

TEST(Gradient, LinearBetweenKnotsWithBiasMovingTheMidpoint) {
  HostGradient g;
  g.knots.push_back(HostGradientKnot{HostVector{1, 1, 1}, 1.0, 1.0, 0.5, 0, 0});
  g.knots.push_back(HostGradientKnot{HostVector{0, 0, 0}, 1.0, 0.0, 0.5, 0, 0});
  ASSERT_TRUE(g.InitRender());
  EXPECT_EQ(g.Calc(-1.0).x, 0.0);
  EXPECT_EQ(g.Calc(2.0).x, 1.0);
  EXPECT_DOUBLE_EQ(g.Calc(0.25).x, 0.25);
  EXPECT_EQ(g.Calc(std::numeric_limits<double>::quiet_NaN()).x, 0.0);
  // A bias of 0.25 on the left knot puts the halfway colour at a quarter of the interval.
  g.knots[1].bias = 0.25;
  g.InitRender();
  EXPECT_DOUBLE_EQ(g.Calc(0.25).x, 0.5);
  g.knots[0].brightness = 0.5;  // the knot at 1.0 (sorted last)
  g.InitRender();
  EXPECT_DOUBLE_EQ(g.Calc(1.0).x, 0.5);
  g.FreeRender();
  // Outside a render the gradient still answers, on a sorted copy (halfway to the dimmed knot).
  EXPECT_DOUBLE_EQ(g.Calc(0.25).x, 0.25);
}

TEST(MemoryLedger, CountsBlocksReallocationsAndInjectedFailures) {
  host::MemoryLedger ledger;
  void* a = ledger.Allocate(100, __LINE__, __FILE__);
  ASSERT_NE(a, nullptr);
  static_cast<char*>(a)[99] = 'x';
  void* b = ledger.Reallocate(a, 200);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(static_cast<char*>(b)[99], 'x');
  EXPECT_EQ(ledger.Snapshot().liveBlocks, 1);
  EXPECT_EQ(ledger.Snapshot().liveBytes, 200);
  EXPECT_EQ(ledger.LiveBlocks().size(), 1u);
  ledger.FailAllocation(1);
  EXPECT_EQ(ledger.Allocate(8, __LINE__, __FILE__), nullptr);
  EXPECT_EQ(ledger.Allocate(-1, __LINE__, __FILE__), nullptr);
  EXPECT_EQ(ledger.Allocate(std::numeric_limits<int64_t>::max(), __LINE__, __FILE__), nullptr);
  ledger.Free(b);
  ledger.Free(nullptr);
  EXPECT_EQ(ledger.Snapshot().liveBlocks, 0);
  EXPECT_EQ(ledger.Snapshot().liveBytes, 0);
}

TEST(MemoryLedger, InjectedFailureCountsBlocksAndHostObjectsAlike) {
  host::MemoryLedger ledger;
  ledger.FailAllocation(3);
  EXPECT_TRUE(ledger.TakeHandle("link"));
  void* block = ledger.Allocate(16, 7, "first.cpp");
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(ledger.InjectedFailureStruck());
  EXPECT_FALSE(ledger.TakeHandle("container"));  // request 3
  EXPECT_TRUE(ledger.InjectedFailureStruck());
  EXPECT_EQ(ledger.InjectedFailureSite(), "container");
  EXPECT_EQ(ledger.Snapshot().liveHandles, 1);  // the failed request counts no object
  ledger.FailAllocation(1);
  EXPECT_FALSE(ledger.InjectedFailureStruck());
  EXPECT_EQ(ledger.Allocate(8, 42, "second.cpp"), nullptr);
  EXPECT_EQ(ledger.InjectedFailureSite(), "second.cpp:42");
  ledger.FailAllocation(0);
  void* again = ledger.Allocate(8, 43, "second.cpp");
  EXPECT_NE(again, nullptr);
  EXPECT_EQ(ledger.Requests(), 5);
  ledger.Free(again);
  ledger.Free(block);
  ledger.HandleFreed();
  EXPECT_EQ(ledger.Snapshot().liveBlocks, 0);
  EXPECT_EQ(ledger.Snapshot().liveHandles, 0);
}

TEST(Noise, TurbulenceStaysInRangeAndIsRepeatable) {
  double lo = 1.0, hi = 0.0;
  for (int i = 0; i < 2000; ++i) {
    const double x = i * 0.137, y = i * -0.071, z = i * 0.013;
    for (bool absolute : {false, true}) {
      const double t = host::Turbulence(x, y, z, 4.5, absolute);
      ASSERT_GE(t, 0.0);
      ASSERT_LE(t, 1.0);
      lo = std::min(lo, t);
      hi = std::max(hi, t);
    }
  }
  EXPECT_LT(lo, 0.35);  // it varies, it is not a constant
  EXPECT_GT(hi, 0.65);
  EXPECT_EQ(host::Turbulence(1.3, 2.7, -0.4, 3, false), host::Turbulence(1.3, 2.7, -0.4, 3, false));
  EXPECT_EQ(host::GradientNoise(3.0, -2.0, 7.0), 0.0);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(host::Turbulence(inf, 0, 0, 3, false), 0.5);
  EXPECT_EQ(host::Turbulence(0.5, 0.5, 0.5, std::nan(""), true), 0.5);
  EXPECT_GE(host::Turbulence(1e300, -1e300, 3.0, 1e9, true), 0.0);
}

}  // namespace
}  // namespace ombrel::test
