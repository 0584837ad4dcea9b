// The UV transform shader's buttons and corner edits through the host's call path: each button
// is one undo step that undoes to the very document it started from and redoes, the preview
// cube follows the corners, a duplicate leaves no preview link behind, and the export writes the
// transformed picture as a TIFF.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/builtin_shaders.h"
#include "core/document_dump.h"
#include "core/editing.h"
#include "core/undo.h"
#include "image/bitmap_save.h"
#include "image/image_reader.h"
#include "image/image_writer.h"
#include "shader_fixture.h"

namespace ombrel::test {
namespace {

enum : int32_t {
  kSource = 1100, kEditInTool = 1101, kResetCorners = 1102, kCorner1 = 1103, kCorner2, kCorner3, kCorner4, kRotation,
  kBulge, kWave, kBiasU, kBiasV, kCreatePreview = 1113, kPreviewObject = 1114, kDuplicate = 1116, kSaveImage = 1117,
  kBiasUPhase = 1119, kBiasVPhase = 1120, kResetEffects = 1121, kPlaceInQuad = 1200
};

HostData Vec(double u, double v) {
  HostData d;
  d.type = HOST_DA_VECTOR;
  d.vec = HostVector{u, v, 0.0};
  return d;
}

class TransformButtonsTest : public ShaderFixture {
 protected:
  TransformButtonsTest() : ShaderFixture(kTransformId) {}

  std::string Dump() const { return host::DumpDocument(scene_.document); }
  host::UndoHistory& History() { return *host::HistoryOf(scene_.document); }
  HostVector Vector(const HostNode* node, int32_t id) const {
    const HostData* d = node->data.Find(id);
    return d ? d->vec : HostVector{-1, -1, -1};
  }
  HostNode* PreviewCube() const {
    const HostData* d = shader_->data.Find(kPreviewObject);
    return d ? host::ResolveLink(d->linkSerial, scene_.document, 0) : nullptr;
  }
  void EditCorners(double c1u, double c1v, double c2u, double c2v, double c3u, double c3v, double c4u, double c4v) {
    ASSERT_TRUE(host::EditParameter(host_, shader_, kCorner1, Vec(c1u, c1v)));
    ASSERT_TRUE(host::EditParameter(host_, shader_, kCorner2, Vec(c2u, c2v)));
    ASSERT_TRUE(host::EditParameter(host_, shader_, kCorner3, Vec(c3u, c3v)));
    ASSERT_TRUE(host::EditParameter(host_, shader_, kCorner4, Vec(c4u, c4v)));
  }
  // Presses a button that must make one undo step: undo gives back `before`, redo `after`.
  void ExpectOneStep(int32_t button) {
    const std::string before = Dump();
    const size_t steps = History().UndoCount();
    host::PressButton(shader_, button);
    const std::string after = Dump();
    EXPECT_NE(before, after);
    ASSERT_EQ(History().UndoCount(), steps + 1) << "one undo step";
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Dump(), before);
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(Dump(), after);
  }
};

TEST_F(TransformButtonsTest, ResetsAreOneStepAndTouchOnlyTheirValues) {
  EditCorners(0.1, 0.2, 0.9, 0.1, 0.8, 0.7, 0.2, 0.9);
  for (int32_t id : {kBulge, kRotation, kWave, kBiasU, kBiasV, kBiasUPhase, kBiasVPhase}) {
    C()->setReal(&shader_->data, id, 0.25 * id);
  }
  C()->setInt32(&shader_->data, kPlaceInQuad, 1);

  ExpectOneStep(kResetEffects);
  for (int32_t id : {kBulge, kRotation, kWave, kBiasU, kBiasV, kBiasUPhase, kBiasVPhase}) {
    EXPECT_EQ(shader_->data.Find(id)->real, 0.0) << id;
  }
  EXPECT_EQ(Vector(shader_, kCorner3).x, 0.8);  // corners and mode stay
  EXPECT_EQ(shader_->data.Find(kPlaceInQuad)->i32, 1);

  ExpectOneStep(kResetCorners);
  const double expected[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Vector(shader_, kCorner1 + i).x, expected[i][0]);
    EXPECT_EQ(Vector(shader_, kCorner1 + i).y, expected[i][1]);
  }
}

TEST_F(TransformButtonsTest, PreviewCubeIsOneStepAndFollowsTheCorners) {
  HostNode* plane = AddObject("plane", 1);
  ExpectOneStep(kCreatePreview);
  HostNode* cube = PreviewCube();
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(scene_.document->children.front().get(), cube);  // first in the object list
  EXPECT_EQ(scene_.document->children[1].get(), plane);
  EXPECT_EQ(cube->type, HOST_OBJECT_CUBE);
  ASSERT_EQ(cube->tags.size(), 1u);
  EXPECT_EQ(cube->tags[0]->type, HOST_TAG_TEXTURE);
  EXPECT_EQ(cube->tags[0]->data.Find(HOST_TEXTURETAG_MATERIAL)->linkSerial, material_->serial);
  EXPECT_EQ(cube->tags[0]->data.Find(HOST_TEXTURETAG_PROJECTION)->i32, HOST_TEXTURETAG_PROJECTION_UVW);
  HostVector size = Vector(cube, HOST_CUBE_SIZE);
  EXPECT_EQ(size.x, 100.0);
  EXPECT_EQ(size.y, 100.0);
  EXPECT_EQ(size.z, 100.0);

  // Corner edits resize it as they are made, with the value being set.
  EditCorners(0, 0, 2, 0, 2, 1, 0, 1);
  size = Vector(cube, HOST_CUBE_SIZE);
  EXPECT_DOUBLE_EQ(size.x, 200.0);
  EXPECT_DOUBLE_EQ(size.y, 100.0);
  EXPECT_DOUBLE_EQ(size.z, 200.0);
  EditCorners(0, 0, 1, 0, 1, 2, 0, 1);
  size = Vector(cube, HOST_CUBE_SIZE);
  EXPECT_NEAR(size.x, 282.842712474619, 1e-9);
  EXPECT_DOUBLE_EQ(size.y, 200.0);

  // Undoing a corner edit takes the cube's size back with it.
  const HostVector before = Vector(cube, HOST_CUBE_SIZE);
  ASSERT_TRUE(host::EditParameter(host_, shader_, kCorner3, Vec(1, 1)));
  EXPECT_NE(Vector(cube, HOST_CUBE_SIZE).x, before.x);
  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(Vector(cube, HOST_CUBE_SIZE).x, before.x);

  // The tool's message after it moved the corners resizes too.
  C()->setVector(&shader_->data, kCorner2, HostVector{3, 0, 0});
  C()->setVector(&shader_->data, kCorner3, HostVector{3, 1, 0});
  C()->setVector(&shader_->data, kCorner4, HostVector{0, 1, 0});
  host::SendMessage(shader_, kToolId, nullptr);
  EXPECT_DOUBLE_EQ(Vector(cube, HOST_CUBE_SIZE).x, 300.0);
}

TEST_F(TransformButtonsTest, APreviewLinkToSomethingElseIsLeftAlone) {
  HostNode* plane = AddObject("plane", 1);
  C()->setLink(&shader_->data, kPreviewObject, plane);
  EditCorners(0, 0, 2, 0, 2, 1, 0, 1);
  EXPECT_EQ(plane->data.Find(HOST_CUBE_SIZE), nullptr);
}

TEST_F(TransformButtonsTest, DuplicateClearsBothPreviewLinksAndTheCloneIsNotActive) {
  HostNode* source = AddInput(shader_, host::kUvShaderType, kSource);
  host::PressButton(shader_, kCreatePreview);
  ASSERT_NE(PreviewCube(), nullptr);
  material_->bits |= HOST_BIT_ACTIVE;
  ExpectOneStep(kDuplicate);
  ASSERT_EQ(scene_.document->materials.size(), 2u);
  HostNode* clone = scene_.document->materials[1].get();
  EXPECT_EQ(clone->name, "material.1");
  EXPECT_FALSE(clone->bits & HOST_BIT_ACTIVE);
  EXPECT_TRUE(material_->bits & HOST_BIT_ACTIVE);
  HostNode* cloneShader = host::ChannelShader(clone);
  ASSERT_NE(cloneShader, nullptr);
  ASSERT_NE(cloneShader, shader_);
  EXPECT_EQ(shader_->data.Find(kPreviewObject)->linkSerial, 0u);
  EXPECT_EQ(cloneShader->data.Find(kPreviewObject)->linkSerial, 0u);
  // The clone's source is its own copy of the source.
  const uint64_t cloneSource = cloneShader->data.Find(kSource)->linkSerial;
  EXPECT_NE(cloneSource, source->serial);
  EXPECT_EQ(host::FindLiveNode(cloneSource)->parent, cloneShader);
}

TEST_F(TransformButtonsTest, EditInToolActivatesTheToolWithoutChangingTheDocument) {
  const std::string before = Dump();
  host::PressButton(shader_, kEditInTool);
  EXPECT_EQ(host_.ActiveTool(), kToolId);
  EXPECT_NE(host_.ToolSettings(kToolId), nullptr);  // the tool was started
  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(History().UndoCount(), 0u);
  ASSERT_FALSE(host_.Events().empty());
  EXPECT_EQ(host_.Events().back().kind, host::Host::Event::Kind::Update);
}

// ---- export ---------------------------------------------------------------------------------

class TransformExportTest : public TransformButtonsTest {
 protected:
  void SetUp() override {
    TransformButtonsTest::SetUp();
    host::InstallImageReader();
    host::InstallBitmapSaver();
    host_.GetDialogs().SetInteractive(false);
    folder_ = std::filesystem::temp_directory_path() /
              ("ombrel-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    TransformButtonsTest::TearDown();
  }
  // A 640 × 480 picture: red rises along x, green along y, blue is constant.
  void LinkGradientSource() {
    host::FloatImage image;
    image.width = 640;
    image.height = 480;
    image.rgb.resize(640 * 480 * 3);
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        float* px = image.Pixel(x, y);
        px[0] = static_cast<float>(x / 639.0);
        px[1] = static_cast<float>(y / 479.0);
        px[2] = 0.5f;
      }
    }
    std::string error;
    const std::filesystem::path file = folder_ / "source.tif";
    ASSERT_TRUE(host::WriteImage(image, file, error)) << error;
    HostNode* bitmap = AddInput(shader_, host::kBitmapShaderType, kSource);
    HostData name;
    name.type = HOST_DA_FILENAME;
    name.text = file.string();
    bitmap->data.Slot(host::kBitmapFileParam) = name;
  }
  bool Export(const std::string& file, host::FloatImage& out) {
    host_.GetDialogs().Queue(host::DialogAnswer::Chosen((folder_ / file).string()));
    host::PressButton(shader_, kSaveImage);
    std::string error;
    return host::ReadImageFile(folder_ / (std::filesystem::path(file).stem().string() + ".tiff"), out, error);
  }
  static int Code(float v) { return static_cast<int>(std::lround(v * 255.0f)); }
  std::filesystem::path folder_;
};

TEST_F(TransformExportTest, DefaultCornersGiveTheSourcePictureBack) {
  LinkGradientSource();
  host::FloatImage out;
  ASSERT_TRUE(Export("baked", out));  // the forced suffix makes it baked.tiff
  ASSERT_EQ(out.width, 640);
  ASSERT_EQ(out.height, 480);
  ASSERT_EQ(host_.GetDialogs().Shown().size(), 1u);
  EXPECT_EQ(host_.GetDialogs().Shown()[0].title, "Save Image to ..");
  EXPECT_EQ(host_.GetDialogs().Shown()[0].suffix, "tiff");
  int worst = 0;
  for (int y = 0; y < 479; ++y) {
    for (int x = 0; x < 639; ++x) {
      const float* px = out.Pixel(x, y);
      worst = std::max(worst, std::abs(Code(px[0]) - static_cast<int>(std::lround(x / 639.0 * 255.0))));
      worst = std::max(worst, std::abs(Code(px[1]) - static_cast<int>(std::lround(y / 479.0 * 255.0))));
      worst = std::max(worst, std::abs(Code(px[2]) - 127));
    }
  }
  EXPECT_LE(worst, 1);
  // The last column and row sample at (w - 1) × 1 / (w - 1): where that product rounds to
  // exactly 1.0 the coordinate wraps to 0.0 and they repeat the first (479 × (1 / 479) does),
  // else they sample just below 1.0 (639 × (1 / 639) does). Either way they show one of the two.
  for (int y = 0; y < 479; ++y) {
    const int last = Code(out.Pixel(639, y)[0]);
    EXPECT_TRUE(last <= 1 || last >= 254) << y << ": " << last;
  }
  for (int x = 0; x < 639; ++x) {
    const int last = Code(out.Pixel(x, 479)[1]);
    EXPECT_TRUE(last <= 1 || last >= 254) << x << ": " << last;
  }
}

TEST_F(TransformExportTest, HalfWidthCornersAndASinglePixelColumn) {
  LinkGradientSource();
  C()->setVector(&shader_->data, kCorner2, HostVector{0.5, 0, 0});
  C()->setVector(&shader_->data, kCorner3, HostVector{0.5, 1, 0});
  host::FloatImage out;
  ASSERT_TRUE(Export("half.tiff", out));
  EXPECT_EQ(out.width, 320);
  EXPECT_EQ(out.height, 480);
  // The left half of the picture: red reaches about 0.5 at the column before the last.
  EXPECT_NEAR(out.Pixel(318, 10)[0], 0.5, 0.01);

  // One pixel wide: the column samples coordinate 0, so it shows the source's first column.
  C()->setVector(&shader_->data, kCorner2, HostVector{1.0 / 640, 0, 0});
  C()->setVector(&shader_->data, kCorner3, HostVector{1.0 / 640, 1, 0});
  ASSERT_TRUE(Export("column.tiff", out));
  ASSERT_EQ(out.width, 1);
  EXPECT_EQ(out.height, 480);
  EXPECT_LE(Code(out.Pixel(0, 240)[0]), 1);
  EXPECT_NEAR(out.Pixel(0, 240)[1], 240 / 479.0, 2 / 255.0);
}

TEST_F(TransformExportTest, CancelWritesNothingAndAFailedSaveIsReported) {
  LinkGradientSource();
  host_.GetDialogs().Queue(host::DialogAnswer::Cancelled());
  host::PressButton(shader_, kSaveImage);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
  ASSERT_EQ(host_.GetDialogs().Shown().size(), 1u);
  EXPECT_EQ(host_.GetDialogs().Shown()[0].answer, "cancelled");

  const std::filesystem::path unwritable = folder_ / "no such folder" / "out.tiff";
  host_.GetDialogs().Queue(host::DialogAnswer::Chosen(unwritable.string()));
  host::PressButton(shader_, kSaveImage);
  ASSERT_EQ(host_.GetDialogs().Shown().size(), 3u);
  const host::DialogRecord& message = host_.GetDialogs().Shown()[2];
  EXPECT_EQ(message.kind, host::DialogRecord::Kind::Message);
  EXPECT_NE(message.title.find(unwritable.string()), std::string::npos) << message.title;
  EXPECT_FALSE(std::filesystem::exists(unwritable));
}

TEST_F(TransformExportTest, ASourceWithoutAPictureStopsBeforeTheDialog) {
  AddInput(shader_, host::kUvShaderType, kSource);
  host_.GetDialogs().Queue(host::DialogAnswer::Chosen((folder_ / "none.tiff").string()));
  host::PressButton(shader_, kSaveImage);
  EXPECT_TRUE(host_.GetDialogs().Shown().empty());
  EXPECT_EQ(host_.GetDialogs().Queued(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "none.tiff"));
}

}  // namespace
}  // namespace ombrel::test
