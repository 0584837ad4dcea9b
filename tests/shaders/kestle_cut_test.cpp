// The cut shader through the host's own call path: set-up, sampling, release. Expected
// coordinates are worked out by hand from the atlas size; the cell an object gets is worked out
// from the generator (tested on its own) and the modulo rule, apart from the module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <set>
#include <vector>

#include "shader_fixture.h"
#include "core/builtin_shaders.h"
#include "core/editing.h"
#include "core/families.h"
#include "core/document_dump.h"
#include "core/undo.h"
#include "image/bitmap_save.h"
#include "image/image_reader.h"
#include "seeded_random.h"

namespace ombrel::test {
namespace {

constexpr int32_t kCutId = 1031438;
enum : int32_t {
  kTexture = 1000, kCenter = 1001, kOverlay = 1002, kImageWidth = 1004, kImageHeight = 1005,
  kCellWidth = 1007, kCellHeight = 1008, kOffsetX = 1010, kOffsetY = 1011
};

// The cell of an object whose key is `key`, out of `count`: the second draw after seeding with
// the key, scaled to the count, plus the key, wrapped into the grid.
int32_t ExpectedCell(int32_t key, int32_t count) {
  SeededRandom rnd;
  rnd.Init(key);
  rnd.Get01();
  const long long pick = static_cast<long long>(std::floor(rnd.Get01() * count)) + key;
  return static_cast<int32_t>(((pick % count) + count) % count);
}

class KestleCutTest : public ShaderFixture {
 protected:
  KestleCutTest() : ShaderFixture(kCutId) {}

  void SetSize(int32_t w, int32_t h, int32_t cw, int32_t ch) {
    C()->setInt32(&shader_->data, kImageWidth, w);
    C()->setInt32(&shader_->data, kImageHeight, h);
    C()->setInt32(&shader_->data, kCellWidth, cw);
    C()->setInt32(&shader_->data, kCellHeight, ch);
  }
  // A top-level object's key counts its identity twice (the source chain, then the chain of the
  // object itself): find one whose cell is `cell`.
  HostNode* ObjectInCell(int32_t cell, int32_t count) {
    for (int32_t identity = 1; identity < 1000; ++identity) {
      if (ExpectedCell(2 * identity, count) == cell) return AddObject("in cell", identity);
    }
    return nullptr;
  }
  void Link(int32_t id, int32_t type, HostVector colour = HostVector{0, 0, 0}, HostVector alpha = HostVector{0, 0, 0}) {
    HostNode* input = AddInput(shader_, type, id);
    C()->setVector(&input->data, 1000, colour);
    C()->setVector(&input->data, 1001, alpha);
  }
};

void ExpectNear(HostVector got, double x, double y, double z, const char* what) {
  EXPECT_NEAR(got.x, x, 1e-12) << what;
  EXPECT_NEAR(got.y, y, 1e-12) << what;
  EXPECT_NEAR(got.z, z, 1e-12) << what;
}

TEST_F(KestleCutTest, NoWholeCellIsBlack) {
  Link(kTexture, host::kColorShaderType, HostVector{1, 1, 1});
  HostNode* object = AddObject("a", 7);
  struct Case { int32_t w, h, cw, ch; const char* what; };
  for (const Case& c : {Case{1, 1, 32, 32, "defaults: 1 x 1 image, 32 px cells"}, Case{31, 64, 32, 32, "too narrow"},
                        Case{0, 64, 32, 32, "zero width from a stored scene"}, Case{64, -5, 32, 32, "negative height"},
                        Case{64, 64, 0, 32, "zero cell width"}, Case{64, 64, 32, -1, "negative cell height"}}) {
    SetSize(c.w, c.h, c.cw, c.ch);
    ASSERT_EQ(Begin(), 0) << c.what;
    ExpectNear(Sample(object, 0), 0, 0, 0, c.what);
    ExpectNear(Sample(nullptr), 0, 0, 0, c.what);
    session_.End();
  }
}

TEST_F(KestleCutTest, CellWindowStartsHalfATexelInAndEndsAtTheFarEdge) {
  // 256 x 128 in 64 x 64 cells: 4 columns, 2 rows; cell 5 is row 1, column 1, from (0.25, 0.5).
  SetSize(256, 128, 64, 64);
  Link(kTexture, host::kUvShaderType);
  HostNode* object = ObjectInCell(5, 8);
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(object, 0, HostVector{0, 0, 0.25}), 0.251953125, 0.50390625, 0.25, "incoming (0, 0)");
  ExpectNear(Sample(object, 3, HostVector{1, 1, 0.25}), 0.5, 1.0, 0.25, "incoming (1, 1)");
}

TEST_F(KestleCutTest, OffsetMovesTheGrid) {
  SetSize(256, 128, 64, 64);
  C()->setInt32(&shader_->data, kOffsetX, 32);
  C()->setInt32(&shader_->data, kOffsetY, -16);
  Link(kTexture, host::kUvShaderType);
  HostNode* object = ObjectInCell(5, 8);
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(object, 0, HostVector{0, 0, 0}), 0.251953125 + 0.125, 0.50390625 - 0.125, 0, "offset (32, -16) px");
}

TEST_F(KestleCutTest, PartialCellsAreNeverUsed) {
  // W = 100 with 32 px cells: 3 columns; the last 4 pixels belong to no cell.
  SetSize(100, 32, 32, 32);
  Link(kTexture, host::kUvShaderType);
  std::vector<HostNode*> objects;
  for (int32_t identity = 1; identity <= 60; ++identity) objects.push_back(AddObject("o", identity));
  ASSERT_EQ(Begin(), 0);
  std::set<long> starts;
  for (HostNode* o : objects) starts.insert(std::lround((Sample(o, 0, HostVector{0, 0, 0}).x - 0.005) * 100.0));
  EXPECT_EQ(starts, (std::set<long>{0, 32, 64}));
}

TEST_F(KestleCutTest, WithoutAHitPolygonNothingIsRemapped) {
  SetSize(256, 128, 64, 64);
  Link(kTexture, host::kUvShaderType);
  HostNode* object = AddObject("a", 3);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(nullptr, 0, HostVector{0.3, 0.7, 0.1}), 0.3, 0.7, 0.1, "no volume record");
  ExpectNear(Sample(object, -1, HostVector{0.3, 0.7, 0.1}), 0.3, 0.7, 0.1, "polygon -1");
  const HostVector remapped = Sample(object, -2, HostVector{0.3, 0.7, 0.1});
  EXPECT_NE(remapped.x, 0.3) << "only -1 means no polygon";
}

TEST_F(KestleCutTest, WithoutInputsEverySampleIsMidGrey) {
  SetSize(256, 128, 64, 64);
  HostNode* object = AddObject("a", 3);
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(object, 2), 0.5, 0.5, 0.5, "remapped");
  ExpectNear(Sample(nullptr), 0.5, 0.5, 0.5, "not remapped");
}

TEST_F(KestleCutTest, OverlayBlendsByTheMeanOfItsAlpha) {
  SetSize(256, 128, 64, 64);
  Link(kTexture, host::kColorShaderType, HostVector{0.2, 0.4, 0.6});
  HostNode* overlay = AddInput(shader_, host::kAlphaShaderType, kOverlay);
  C()->setVector(&overlay->data, 1000, HostVector{1.0, 0.0, 0.5});
  HostNode* object = AddObject("a", 3);
  struct Case { HostVector alpha; double weight; const char* what; };
  for (const Case& c : {Case{{1, 1, 1}, 1.0, "opaque: replaces"}, Case{{0.5, 0.8, 1.7}, 1.0, "mean 1"},
                        Case{{0, 0, 0}, 0.0, "mean 0: atlas colour"}, Case{{-1, 0, 0.5}, 0.0, "mean below 0"},
                        Case{{0.1, 0.2, 0.6}, 0.3, "mean 0.3"}, Case{{NAN, 0, 0}, 0.0, "NaN alpha"}}) {
    C()->setVector(&overlay->data, 1001, c.alpha);
    ASSERT_EQ(Begin(), 0);
    const double w = c.weight;
    for (const HostNode* o : {static_cast<const HostNode*>(object), static_cast<const HostNode*>(nullptr)}) {
      ExpectNear(Sample(o, 0, HostVector{0.5, 0.5, 0}, HOST_TEX_MIRROR), 0.2 * (1 - w) + 1.0 * w,
                 0.4 * (1 - w), 0.6 * (1 - w) + 0.5 * w, c.what);
    }
    session_.End();
  }
}

TEST_F(KestleCutTest, OverlayAloneIsTheResult) {
  SetSize(256, 128, 64, 64);
  HostNode* overlay = AddInput(shader_, host::kAlphaShaderType, kOverlay);
  C()->setVector(&overlay->data, 1000, HostVector{0.9, 0.1, 0.3});
  C()->setVector(&overlay->data, 1001, HostVector{0, 0, 0});
  ASSERT_EQ(Begin(), 0);
  ExpectNear(Sample(AddObject("a", 3), 1), 0.9, 0.1, 0.3, "transparent overlay without texture");
}

TEST_F(KestleCutTest, CellFollowsTheObjectNotThePolygon) {
  SetSize(256, 256, 32, 32);  // 64 cells
  Link(kTexture, host::kUvShaderType);
  HostNode* a = AddObject("a", 41);
  HostNode* twin = AddObject("twin", 41);
  HostNode* other = AddObject("other", 42);
  ASSERT_EQ(Begin(), 0);
  const HostVector cellA = Sample(a, 0, HostVector{0, 0, 0});
  for (int32_t polygon : {1, 7, 500}) {
    const HostVector c = Sample(a, polygon, HostVector{0, 0, 0});
    EXPECT_EQ(c.x, cellA.x) << polygon;
    EXPECT_EQ(c.y, cellA.y) << polygon;
  }
  const HostVector cellTwin = Sample(twin, 3, HostVector{0, 0, 0});
  EXPECT_EQ(cellTwin.x, cellA.x);
  EXPECT_EQ(cellTwin.y, cellA.y);
  // Worked out apart: key 82 picks this cell; 84 picks another.
  const int32_t expected = ExpectedCell(82, 64);
  EXPECT_NEAR(cellA.x, (expected % 8) * 0.125 + 1.0 / 512, 1e-12);
  EXPECT_NEAR(cellA.y, (expected / 8) * 0.125 + 1.0 / 512, 1e-12);
  const int32_t otherCell = ExpectedCell(84, 64);
  const HostVector c = Sample(other, 0, HostVector{0, 0, 0});
  EXPECT_NEAR(c.x, (otherCell % 8) * 0.125 + 1.0 / 512, 1e-12);
}

TEST_F(KestleCutTest, KeysNearTheEndsOfTheRangeStayInTheGrid) {
  // Identities whose doubled sum wraps to near INT32_MAX and INT32_MIN: the pick plus the key
  // lies beyond 32 bits, and must still land on a cell of the grid.
  SetSize(96, 96, 32, 32);  // 9 cells
  Link(kTexture, host::kUvShaderType);
  HostNode* high = AddObject("high", 1073741823);  // key 2147483646
  HostNode* low = AddObject("low", -1073741824);   // key -2147483648
  ASSERT_EQ(Begin(), 0);
  for (const auto& [o, key] : {std::pair<HostNode*, int32_t>{high, 2147483646}, {low, INT32_MIN}}) {
    const HostVector c = Sample(o, 0, HostVector{0, 0, 0});
    const int32_t cell = ExpectedCell(key, 9);
    EXPECT_NEAR(c.x, (cell % 3) / 3.0 + 1.0 / 192, 1e-12) << key;
    EXPECT_NEAR(c.y, (cell / 3) / 3.0 + 1.0 / 192, 1e-12) << key;
  }
}

// The cells are worked out once at set-up for the render objects the host lists. A host that
// lists none, and a render object the list lacks, must give every object the same cell as the
// list does, also where the keys wrap.
TEST_F(KestleCutTest, CellsListedAtSetUpMatchCellsDrawnPerSample) {
  SetSize(96, 96, 32, 32);  // 9 cells
  Link(kTexture, host::kUvShaderType);
  // Enough objects that some share a slot of the set-up's table and must be told apart there.
  std::vector<int32_t> identities{41, 42, 1073741823, -1073741824, 7};
  for (int32_t identity = 1000; identity < 1300; ++identity) identities.push_back(identity);
  std::vector<HostNode*> objects;
  for (int32_t identity : identities) objects.push_back(AddObject("o", identity));
  HostNode* generator = AddObject("generator", 500);
  const auto sampleAll = [&](const HostRayObject* unlisted) {
    std::vector<HostVector> out;
    for (const HostNode* o : objects) out.push_back(Sample(o, 0, HostVector{0.25, 0.75, 0.0}));
    out.push_back(SampleOnRenderObject(unlisted, HostVector{0.25, 0.75, 0.0}));
    return out;
  };
  ASSERT_EQ(Begin(), 0);
  const std::vector<HostVector> listed = sampleAll(session_.AddRenderObjectWithoutSource(9, generator));
  // Worked out apart: each key is the identity counted twice, wrapping at 32 bits.
  for (size_t i = 0; i < identities.size(); ++i) {
    const int32_t key = static_cast<int32_t>(static_cast<uint32_t>(identities[i]) * 2u);
    const int32_t cell = ExpectedCell(key, 9);
    EXPECT_NEAR(listed[i].x, (cell % 3) / 3.0 + 1.0 / 192 + 0.25 * (1.0 / 3 - 1.0 / 192), 1e-12) << i;
    EXPECT_NEAR(listed[i].y, (cell / 3) / 3.0 + 1.0 / 192 + 0.75 * (1.0 / 3 - 1.0 / 192), 1e-12) << i;
  }

  // Set up again on a host that lists nothing and has no combined hit call.
  int32_t setUp = -1;
  const std::vector<HostVector> drawn = WithShaderFamilyEndingAt(offsetof(HostShaderApi, renderObjects), [&] {
    setUp = Begin();
    return sampleAll(session_.AddRenderObjectWithoutSource(9, generator));
  });
  ASSERT_EQ(setUp, 0);
  ASSERT_EQ(drawn.size(), listed.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_EQ(drawn[i].x, listed[i].x) << i;
    EXPECT_EQ(drawn[i].y, listed[i].y) << i;
  }
}

TEST_F(KestleCutTest, InputsAreReleasedAfterTheRender) {
  SetSize(64, 64, 32, 32);
  Link(kTexture, host::kFailingShaderType);
  Link(kOverlay, host::kColorShaderType, HostVector{0.1, 0.2, 0.3});
  ASSERT_EQ(Begin(), 0) << "a failing input does not fail the render";
  ExpectNear(Sample(AddObject("a", 2), 0), 0.1, 0.2, 0.3, "failed texture dropped; overlay alone");
}

TEST_F(KestleCutTest, SamplingAllocatesNothing) {
  SetSize(256, 256, 32, 32);
  Link(kTexture, host::kUvShaderType);
  HostNode* overlay = AddInput(shader_, host::kAlphaShaderType, kOverlay);
  C()->setVector(&overlay->data, 1001, HostVector{0.3, 0.3, 0.3});
  HostNode* object = AddObject("a", 2);
  ASSERT_EQ(Begin(), 0);
  const int64_t before = module_->ledger.Snapshot().totalAllocations;
  for (int i = 0; i < 1000; ++i) Sample(i % 2 ? object : nullptr, i, HostVector{i * 0.013, i * 0.007, 0.0});
  EXPECT_EQ(module_->ledger.Snapshot().totalAllocations, before);
}

TEST_F(KestleCutTest, CentreShaderBrightnessChoosesTheCell) {
  SetSize(256, 128, 64, 64);  // 8 cells
  Link(kTexture, host::kUvShaderType);
  HostNode* centre = AddInput(shader_, host::kColorShaderType, kCenter);
  HostNode* object = AddObject("a", 3);
  const int32_t random = ExpectedCell(6, 8);
  struct Case { HostVector colour; int32_t cell; const char* what; };
  for (const Case& c : {Case{{0.0, 0.0, 0.0}, 0, "black: first cell"}, Case{{0.5, 0.75, 1.0}, 6, "mean 0.75 of 8"},
                        Case{{1, 1, 1}, 7, "white: last cell"}, Case{{3, 3, 3}, 7, "above white"},
                        Case{{-2, 0, 0}, 0, "below black"}, Case{{NAN, 0.5, 0.5}, random, "NaN: the random pick"}}) {
    C()->setVector(&centre->data, 1000, c.colour);
    ASSERT_EQ(Begin(), 0);
    const HostVector p = Sample(object, 0, HostVector{0, 0, 0.4});
    EXPECT_EQ(static_cast<int32_t>(std::floor(p.y * 2)) * 4 + static_cast<int32_t>(std::floor(p.x * 4)), c.cell) << c.what;
    // The atlas is sampled with the third coordinate of the centre's texture coordinate.
    EXPECT_EQ(p.z, std::isnan(c.colour.x) ? 0.4 : 0.0) << c.what;
    session_.End();
  }
}

// ---- the image size read from a newly linked texture ------------------------------------------

class KestleCutSizeTest : public KestleCutTest {
 protected:
  void SetUp() override {
    KestleCutTest::SetUp();
    host::InstallImageReader();
  }
  HostNode* Bitmap(const std::string& file) {
    HostNode* bitmap = AddInput(shader_, host::kBitmapShaderType);
    const std::string path = std::string(OMBREL_SOURCE_DIR) + "/" + file;
    C()->setString(&bitmap->data, host::kBitmapFileParam, HostStr{path.data(), static_cast<int64_t>(path.size())});
    return bitmap;
  }
  static HostData LinkTo(const HostNode* node) {
    HostData d;
    d.type = HOST_DA_LINK;
    d.linkSerial = node->serial;
    return d;
  }
  static HostData Long(int32_t v) {
    HostData d;
    d.type = HOST_DA_LONG;
    d.i32 = v;
    return d;
  }
  int32_t Get(int32_t id) { return C()->getInt32(&shader_->data, id, -1); }
};

TEST_F(KestleCutSizeTest, LinkingAStillImageSetsItsSizeInTheSameUndoStep) {
  HostNode* still = Bitmap("examples/textures/numbered_cells.png");  // 512 x 256
  ASSERT_TRUE(host::EditParameter(host_, shader_, kTexture, LinkTo(still)));
  EXPECT_EQ(Get(kImageWidth), 512);
  EXPECT_EQ(Get(kImageHeight), 256);
  // The size came with the user's edit: one undo takes both back.
  ASSERT_TRUE(host::HistoryOf(scene_.document)->Undo());
  EXPECT_EQ(Get(kImageWidth), 1);
  EXPECT_EQ(Get(kImageHeight), 1);
}

TEST_F(KestleCutSizeTest, OnlyAnEditOfTheTextureReadsTheSize) {
  HostNode* still = Bitmap("examples/textures/numbered_cells.png");
  C()->setLink(&shader_->data, kTexture, still);
  for (int32_t id : {kCellWidth, kCellHeight, kOffsetX, kImageWidth}) {
    ASSERT_TRUE(host::EditParameter(host_, shader_, id, Long(7)));
    EXPECT_EQ(Get(kImageHeight), 1) << "after an edit of " << id;
  }
  EXPECT_EQ(Get(kImageWidth), 7) << "the user's own width stands";
  // An edit of the overlay link is another parameter too.
  HostNode* other = Bitmap("examples/textures/wood.png");
  ASSERT_TRUE(host::EditParameter(host_, shader_, kOverlay, LinkTo(other)));
  EXPECT_EQ(Get(kImageHeight), 1);
}

TEST_F(KestleCutSizeTest, AnUnreadableTextureChangesNothing) {
  HostNode* missing = Bitmap("examples/textures/no-such-file.png");
  ASSERT_TRUE(host::EditParameter(host_, shader_, kTexture, LinkTo(missing)));
  EXPECT_EQ(Get(kImageWidth), 1);
  EXPECT_EQ(Get(kImageHeight), 1);
  // Clearing the link reads nothing either.
  ASSERT_TRUE(host::EditParameter(host_, shader_, kTexture, HostData{}));
  EXPECT_EQ(Get(kImageWidth), 1);
}

// ---- a movie linked as the texture -----------------------------------------------------------

class KestleCutMovieTest : public KestleCutSizeTest {
 protected:
  void SetUp() override {
    KestleCutSizeTest::SetUp();
    host::InstallBitmapSaver();
    host_.GetDialogs().SetInteractive(false);
    folder_ = std::filesystem::temp_directory_path() /
              ("ombrel-cut-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    // tools/make_movie.py tests/data/six_frames.avi 6 16 12 12: frame k flat grey (k + 1) × 255 / 7.
    movie_ = Bitmap("tests/data/six_frames.avi");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    KestleCutSizeTest::TearDown();
  }
  bool Asked() {
    for (const auto& shown : host_.GetDialogs().Shown()) {
      if (shown.kind == host::DialogRecord::Kind::Question) return true;
    }
    return false;
  }
  std::filesystem::path folder_;
  HostNode* movie_ = nullptr;
};

TEST_F(KestleCutMovieTest, YesWritesTheAtlasLinksItAndUndoesInOneStep) {
  const std::string before = host::DumpDocument(scene_.document);
  const std::filesystem::path target = folder_ / "frames.png";
  host_.GetDialogs().Queue(host::DialogAnswer{host::DialogAnswer::Kind::Yes, ""});
  host_.GetDialogs().Queue(host::DialogAnswer::Chosen(target.string()));
  ASSERT_TRUE(host::EditParameter(host_, shader_, kTexture, LinkTo(movie_)));
  EXPECT_TRUE(Asked());
  // Six 16 x 12 frames fit at full size in one row of 8192 pixels: 96 x 12.
  EXPECT_EQ(Get(kImageWidth), 96);
  EXPECT_EQ(Get(kImageHeight), 12);
  EXPECT_EQ(Get(kCellWidth), 16);
  EXPECT_EQ(Get(kCellHeight), 12);
  host::FloatImage atlas;
  std::string error;
  ASSERT_TRUE(host::ReadImageFile(target, atlas, error)) << error;
  ASSERT_EQ(atlas.width, 96);
  ASSERT_EQ(atlas.height, 12);
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(atlas.Pixel(16 * k + 8, 8)[0] * 255.0f, static_cast<float>((k + 1) * 255 / 7), 0.51f) << "frame " << k;
  }
  HostNode* linked = C()->getLink(&shader_->data, kTexture, nullptr, HOST_BASETYPE_SHADER);
  ASSERT_NE(linked, nullptr);
  EXPECT_NE(linked, movie_);
  EXPECT_EQ(linked->type, host::kBitmapShaderType);
  EXPECT_EQ(linked->parent, shader_) << "the atlas reader is a child shader";
  const HostStr file = C()->getString(&linked->data, host::kBitmapFileParam);
  EXPECT_EQ(std::string(file.data, static_cast<size_t>(file.length)), target.string());

  ASSERT_TRUE(host::HistoryOf(scene_.document)->Undo());
  EXPECT_EQ(host::DumpDocument(scene_.document), before);
}

TEST_F(KestleCutMovieTest, NoOrCancelChangesNothingButTheLink) {
  for (int answer = 0; answer < 2; ++answer) {
    if (answer == 0) host_.GetDialogs().Queue(host::DialogAnswer{host::DialogAnswer::Kind::No, ""});
    if (answer == 1) {
      host_.GetDialogs().Queue(host::DialogAnswer{host::DialogAnswer::Kind::Yes, ""});
      host_.GetDialogs().Queue(host::DialogAnswer{host::DialogAnswer::Kind::Cancel, ""});
    }
    ASSERT_TRUE(host::EditParameter(host_, shader_, kTexture, LinkTo(movie_)));
    EXPECT_TRUE(Asked());
    EXPECT_EQ(Get(kImageWidth), 1) << answer;
    EXPECT_EQ(Get(kCellWidth), 32) << answer;
    EXPECT_EQ(C()->getLink(&shader_->data, kTexture, nullptr, HOST_BASETYPE_SHADER), movie_);
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
    host_.GetDialogs().ClearShown();
  }
}

TEST_F(KestleCutMovieTest, TheMovieLoaderAnswersAndTheStillLoaderDoesNot) {
  const std::string movie = std::string(OMBREL_SOURCE_DIR) + "/tests/data/six_frames.avi";
  const std::string still = std::string(OMBREL_SOURCE_DIR) + "/examples/textures/numbered_cells.png";
  const HostRegistryApi* r = module_->api.registry;
  ASSERT_EQ(r->pluginCount(module_, HOST_PLUGINTYPE_BITMAPLOADER), 2);
  int32_t frames = 0;
  double fps = 0.0;
  EXPECT_FALSE(r->bitmapLoaderMovieInfo(module_, 0, HostStr{movie.data(), static_cast<int64_t>(movie.size())}, &frames, &fps));
  ASSERT_TRUE(r->bitmapLoaderMovieInfo(module_, 1, HostStr{movie.data(), static_cast<int64_t>(movie.size())}, &frames, &fps));
  EXPECT_EQ(frames, 6);
  EXPECT_EQ(fps, 12.0);
  EXPECT_FALSE(r->bitmapLoaderMovieInfo(module_, 1, HostStr{still.data(), static_cast<int64_t>(still.size())}, &frames, &fps));
  // The bitmap shader shows the movie's first frame.
  HostInitRender irs{};
  irs.document = scene_.document;
  irs.fps = 30.0;
  ASSERT_EQ(host::ShaderFamily()->initRender(movie_, &irs), 0);
  const HostBitmap* picture = host::ShaderFamily()->getBitmap(movie_);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 16);
  EXPECT_EQ(picture->height, 12);
  HostChannelData cd{};
  cd.p = HostVector{0.5, 0.5, 0.0};
  EXPECT_NEAR(host::ShaderFamily()->sample(movie_, &cd).x * 255.0, 36.0, 0.51);  // 255 / 7
  host::ShaderFamily()->freeRender(movie_);
}

}  // namespace
}  // namespace ombrel::test
