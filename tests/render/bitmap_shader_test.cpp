// The host's bitmap shader: reading files, bilinear sampling, tile and mirror flags, failures.
#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/host.h"
#include "core/nodes.h"
#include "core/scene.h"
#include "image/image_reader.h"

namespace ombrel::test {
namespace {

// A 2 × 2 float picture: red, green / blue, white.
std::filesystem::path WriteTestImage(const std::string& name) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / name;
  const float pixels[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
  auto out = OIIO::ImageOutput::create(file.string());
  OIIO::ImageSpec format(2, 2, 3, OIIO::TypeDesc::FLOAT);
  EXPECT_TRUE(out && out->open(file.string(), format));
  EXPECT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels));
  out->close();
  return file;
}

class BitmapShaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::InstallImageReader();
    doc_ = host_.NewDocument("bitmaps");
    shader_ = host::InsertShader(doc_, host::CreateShader(host_.GetRegistry(), host::kBitmapShaderType), nullptr);
    ASSERT_NE(shader_, nullptr);
  }
  void SetFile(const std::string& file) {
    host::ContainerFamily()->setString(&shader_->data, host::kBitmapFileParam,
                                       HostStr{file.data(), static_cast<int64_t>(file.size())});
  }
  int32_t Begin() {
    HostInitRender irs{};
    irs.document = doc_;
    return host::ShaderFamily()->initRender(shader_, &irs);
  }
  HostVector At(double u, double v, int32_t texflag = 0) {
    HostChannelData cd{};
    cd.p = HostVector{u, v, 0};
    cd.texflag = texflag;
    return host::ShaderFamily()->sample(shader_, &cd);
  }

  host::Host host_;
  HostNode* doc_ = nullptr;
  HostNode* shader_ = nullptr;
};

TEST_F(BitmapShaderTest, SamplesPixelCentresExactlyAndBlendsBetween) {
  SetFile(WriteTestImage("ombrel-bitmap-exr.exr").string());
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(At(0.25, 0.25).x, 1.0);  // top left: red
  EXPECT_EQ(At(0.75, 0.25).y, 1.0);  // top right: green
  EXPECT_EQ(At(0.25, 0.75).z, 1.0);  // bottom left: blue
  const HostVector mid = At(0.5, 0.25);
  EXPECT_DOUBLE_EQ(mid.x, 0.5);
  EXPECT_DOUBLE_EQ(mid.y, 0.5);
  HostBitmap* bmp = host::ShaderFamily()->getBitmap(shader_);
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(host::BitmapFamily()->width(bmp), 2);
  int32_t rgb[3];
  host::BitmapFamily()->getPixel(bmp, 1, 1, rgb);
  EXPECT_EQ(rgb[0], 255);
  host::ShaderFamily()->freeRender(shader_);
  EXPECT_EQ(host::ShaderFamily()->getBitmap(shader_), nullptr);
}

TEST_F(BitmapShaderTest, TileMirrorAndClampOutsideTheUnitSquare) {
  SetFile(WriteTestImage("ombrel-bitmap-tiff.tif").string());
  ASSERT_EQ(Begin(), 0);
  // One picture to the right: tiling repeats red, mirroring reflects to green, clamping holds green.
  EXPECT_EQ(At(1.25, 0.25, HOST_TEX_TILE).x, 1.0);
  EXPECT_EQ(At(1.25, 0.25, HOST_TEX_MIRROR).y, 1.0);
  EXPECT_EQ(At(1.25, 0.25, 0).y, 1.0);
  EXPECT_EQ(At(-0.75, 0.25, HOST_TEX_TILE).x, 1.0);
  const HostVector odd = At(std::nan(""), 1e300, HOST_TEX_MIRROR);
  EXPECT_TRUE(std::isfinite(odd.x) && std::isfinite(odd.y) && std::isfinite(odd.z));
}

TEST_F(BitmapShaderTest, MissingOrUnreadableFilesFailTheSetUpAndAreNamed) {
  SetFile("/nonexistent/ombrel-missing.png");
  EXPECT_NE(Begin(), 0);
  ASSERT_FALSE(host_.Log().empty());
  EXPECT_NE(host_.Log().back().find("ombrel-missing.png"), std::string::npos);
  EXPECT_EQ(At(0.5, 0.5).x, 0.0);

  const std::filesystem::path junk = std::filesystem::temp_directory_path() / "ombrel-junk.png";
  { std::ofstream(junk) << "not a picture"; }
  SetFile(junk.string());
  EXPECT_NE(Begin(), 0);
  EXPECT_NE(host_.Log().back().find("ombrel-junk.png"), std::string::npos);
  std::filesystem::remove(junk);

  SetFile("");
  EXPECT_NE(Begin(), 0);
}

}  // namespace
}  // namespace ombrel::test
