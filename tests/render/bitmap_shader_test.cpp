// The host's bitmap shader: reading files, bilinear sampling, tile and mirror flags, failures.
#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/builtin_shaders.h"
#include "core/families.h"
#include "core/host.h"
#include "core/nodes.h"
#include "core/scene.h"
#include "core/shared_images.h"
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

// An 8-bit RGB picture of width × 1 with the given codes.
std::filesystem::path WriteCodes(const std::string& name, int width, const std::vector<unsigned char>& codes) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / name;
  auto out = OIIO::ImageOutput::create(file.string());
  OIIO::ImageSpec format(width, 1, 3, OIIO::TypeDesc::UINT8);
  EXPECT_TRUE(out && out->open(file.string(), format));
  EXPECT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, codes.data()));
  out->close();
  return file;
}

class BitmapShaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::InstallImageReader();
    doc_ = host_.NewDocument("bitmaps");
    shader_ = NewShader();
    ASSERT_NE(shader_, nullptr);
  }
  void TearDown() override { host::SetImageBudget(host::kDefaultImageBudget); }
  HostNode* NewShader() {
    return host::InsertShader(doc_, host::CreateShader(host_.GetRegistry(), host::kBitmapShaderType), nullptr);
  }
  void SetFile(const std::string& file, HostNode* shader = nullptr) {
    host::ContainerFamily()->setString(&(shader ? shader : shader_)->data, host::kBitmapFileParam,
                                       HostStr{file.data(), static_cast<int64_t>(file.size())});
  }
  int32_t Begin(HostNode* shader = nullptr) {
    HostInitRender irs{};
    irs.document = doc_;
    return host::ShaderFamily()->initRender(shader ? shader : shader_, &irs);
  }
  HostVector At(double u, double v, int32_t texflag = 0, HostNode* shader = nullptr) {
    HostChannelData cd{};
    cd.p = HostVector{u, v, 0};
    cd.texflag = texflag;
    return host::ShaderFamily()->sample(shader ? shader : shader_, &cd);
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

TEST_F(BitmapShaderTest, EightBitFilesStayEightBitAndSampleAsTheirFloatDecode) {
  // Every code in each channel, and neighbours far apart so a blend shows any rounding.
  std::vector<unsigned char> codes(256 * 3);
  for (int i = 0; i < 256; ++i) {
    codes[i * 3] = static_cast<unsigned char>(i);
    codes[i * 3 + 1] = static_cast<unsigned char>(255 - i);
    codes[i * 3 + 2] = static_cast<unsigned char>((i * 97) % 256);
  }
  const auto file = WriteCodes("ombrel-bitmap-codes.png", 256, codes);
  // The reference: the image library's own decode to floats, as the shader read files before.
  std::vector<float> reference(256 * 3);
  {
    auto in = OIIO::ImageInput::open(file.string());
    ASSERT_TRUE(in && in->read_image(0, 0, 0, 3, OIIO::TypeDesc::FLOAT, reference.data()));
  }
  SetFile(file.string());
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(host::DecodedImageBytes(), 256u * 3u);  // one byte a sample
  for (int i = 0; i < 256; ++i) {
    const HostVector centre = At((i + 0.5) / 256.0, 0.5);
    EXPECT_EQ(centre.x, static_cast<double>(reference[i * 3])) << i;
    EXPECT_EQ(centre.y, static_cast<double>(reference[i * 3 + 1])) << i;
    EXPECT_EQ(centre.z, static_cast<double>(reference[i * 3 + 2])) << i;
    if (i == 255) break;
    // Halfway to the next pixel: the blend of the two float values, in double.
    const HostVector half = At((i + 1.0) / 256.0, 0.5);
    EXPECT_EQ(half.z, 0.5 * reference[i * 3 + 2] + 0.5 * reference[i * 3 + 5]) << i;
  }
  host::ShaderFamily()->freeRender(shader_);
  EXPECT_EQ(host::DecodedImageBytes(), 0u);
  std::filesystem::remove(file);
}

TEST_F(BitmapShaderTest, ShadersOnOneFileShareOnePictureUntilTheFileChanges) {
  const auto file = WriteCodes("ombrel-bitmap-shared.png", 2, {255, 0, 0, 0, 0, 255});
  HostNode* other = NewShader();
  SetFile(file.string());
  SetFile(file.string(), other);
  ASSERT_EQ(Begin(), 0);
  ASSERT_EQ(Begin(other), 0);
  EXPECT_EQ(host::DecodedImageBytes(), 2u * 3u);
  std::string error;
  EXPECT_EQ(host::AcquireImage(file, error).get(), host::AcquireImage(file, error).get());
  EXPECT_EQ(At(0.25, 0.5, 0, other).x, 1.0);
  // Released by one, the picture stays for the other.
  host::ShaderFamily()->freeRender(shader_);
  EXPECT_EQ(At(0.25, 0.5, 0, other).x, 1.0);

  // Rewritten (three pixels now, blue first): a new set-up reads the new file.
  WriteCodes("ombrel-bitmap-shared.png", 3, {0, 0, 255, 0, 255, 0, 255, 0, 0});
  ASSERT_EQ(Begin(), 0);
  EXPECT_EQ(At(0.1, 0.5).z, 1.0);
  EXPECT_EQ(At(0.25, 0.5, 0, other).x, 1.0);  // the old picture, held until its release
  EXPECT_EQ(host::DecodedImageBytes(), 2u * 3u + 3u * 3u);
  host::ShaderFamily()->freeRender(shader_);
  host::ShaderFamily()->freeRender(other);
  EXPECT_EQ(host::DecodedImageBytes(), 0u);
  std::filesystem::remove(file);
}

TEST_F(BitmapShaderTest, AHeaderClaimingMoreThanTheBudgetIsRefusedBeforeDecoding) {
  // 68 bytes: a PNG whose header claims 16384 × 16384 RGB pixels.
  const unsigned char bomb[] = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00, 0x26, 0xaa, 0x87, 0xd3, 0x00,
      0x00, 0x00, 0x0b, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x40, 0x05, 0x00, 0x00, 0x10, 0x00,
      0x01, 0x39, 0xbd, 0x8f, 0x65, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  const auto file = std::filesystem::temp_directory_path() / "ombrel-bitmap-bomb.png";
  { std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bomb), sizeof bomb); }
  SetFile(file.string());
  EXPECT_NE(Begin(), 0);
  ASSERT_FALSE(host_.Log().empty());
  const std::string& message = host_.Log().back();
  EXPECT_NE(message.find("ombrel-bitmap-bomb.png"), std::string::npos) << message;
  EXPECT_NE(message.find("16384 x 16384"), std::string::npos) << message;
  // 16384² pixels × (3 bytes kept + 3 bytes of the file's samples) = 1.5 GiB, over the 1 GiB default.
  EXPECT_NE(message.find("1.5 GiB"), std::string::npos) << message;
  EXPECT_NE(message.find("image budget of 1 GiB"), std::string::npos) << message;
  EXPECT_EQ(host::DecodedImageBytes(), 0u);

  // The budget counts every picture in use: a second one must fit beside the first.
  const auto small = WriteCodes("ombrel-bitmap-small.png", 4, std::vector<unsigned char>(12, 7));
  // 4 pixels cost 12 bytes kept and 12 more while decoding: the first fits, the second must
  // fit beside the first's 12 and does not, by one byte.
  host::SetImageBudget(12 + 24 - 1);
  HostNode* other = NewShader();
  const auto second = WriteCodes("ombrel-bitmap-small2.png", 4, std::vector<unsigned char>(12, 9));
  SetFile(small.string());
  SetFile(second.string(), other);
  ASSERT_EQ(Begin(), 0);
  EXPECT_NE(Begin(other), 0);
  EXPECT_NE(host_.Log().back().find("(12 bytes in use)"), std::string::npos) << host_.Log().back();
  host::SetImageBudget(12 + 24);
  EXPECT_EQ(Begin(other), 0);
  host::ShaderFamily()->freeRender(other);
  std::filesystem::remove(file);
  std::filesystem::remove(small);
  std::filesystem::remove(second);
}

// A truncated file is refused from its chunk layout before the PNG library reads it (which
// would leak a little: host/image/known_library_leaks.cpp); the shader names the file.
TEST_F(BitmapShaderTest, TruncatedPngIsRefusedWithItsName) {
  std::vector<unsigned char> codes(64 * 3);
  for (size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<unsigned char>(i * 31);
  const auto whole = WriteCodes("ombrel-bitmap-whole.png", 64, codes);
  std::string bytes;
  {
    std::ifstream in(whole, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto cut = std::filesystem::temp_directory_path() / "ombrel-bitmap-cut.png";
  { std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2); }
  SetFile(cut.string());
  EXPECT_NE(Begin(), 0);
  EXPECT_NE(host_.Log().back().find("ombrel-bitmap-cut.png"), std::string::npos) << host_.Log().back();
  EXPECT_EQ(host::DecodedImageBytes(), 0u);
  host::FloatImage image;
  std::string error;
  EXPECT_FALSE(host::ReadImageFile(cut, image, error));
  std::filesystem::remove(whole);
  std::filesystem::remove(cut);
}

}  // namespace
}  // namespace ombrel::test
