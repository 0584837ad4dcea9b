// The host's bitmap services as a module uses them: save as TIFF and PNG (read back through the
// image library), copy, and the failures a module must be told about.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/bitmap.h"
#include "core/families.h"
#include "core/host.h"
#include "image/bitmap_save.h"
#include "image/image_reader.h"

namespace ombrel::test {
namespace {

HostStr Str(const std::string& s) { return HostStr{s.data(), static_cast<int64_t>(s.size())}; }

TEST(BitmapSave, TiffAndPngKeepTheCodesAndFailuresAreReported) {
  host::Host h;  // the host that failures are logged to
  host::InstallImageReader();  // the image library, linked
  host::InstallBitmapSaver();
  const HostBitmapApi* api = host::BitmapFamily();
  HostBitmap* bmp = api->alloc(nullptr);
  ASSERT_TRUE(api->init(bmp, 3, 2, 24));
  api->setPixel(bmp, 0, 0, 255, 0, 0);
  api->setPixel(bmp, 2, 1, 1, 128, 254);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("ombrel-bitmap-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);

  for (int32_t format : {HOST_FILTER_TIFF, HOST_FILTER_PNG}) {
    const std::string file = (dir / (format == HOST_FILTER_TIFF ? "a.tiff" : "a.png")).string();
    ASSERT_EQ(api->save(bmp, Str(file), format, 0), HOST_IMAGERESULT_OK);
    host::FloatImage back;
    std::string error;
    ASSERT_TRUE(host::ReadImageFile(file, back, error)) << error;
    ASSERT_EQ(back.width, 3);
    ASSERT_EQ(back.height, 2);
    EXPECT_FLOAT_EQ(back.Pixel(0, 0)[0], 1.0f);  // row 0 is the top row
    EXPECT_FLOAT_EQ(back.Pixel(2, 1)[0], 1 / 255.0f);
    EXPECT_FLOAT_EQ(back.Pixel(2, 1)[1], 128 / 255.0f);
    EXPECT_FLOAT_EQ(back.Pixel(2, 1)[2], 254 / 255.0f);
  }

  HostBitmap* copy = api->alloc(nullptr);
  ASSERT_TRUE(api->copyTo(bmp, copy));
  int32_t rgb[3];
  api->getPixel(copy, 2, 1, rgb);
  EXPECT_EQ(api->width(copy), 3);
  EXPECT_EQ(rgb[1], 128);

  const std::string unwritable = (dir / "missing" / "b.tiff").string();
  EXPECT_EQ(api->save(bmp, Str(unwritable), HOST_FILTER_TIFF, 0), HOST_IMAGERESULT_FILEERROR);
  ASSERT_FALSE(h.Log().empty());
  EXPECT_NE(h.Log().back().find("b.tiff"), std::string::npos);
  HostBitmap* empty = api->alloc(nullptr);
  EXPECT_EQ(api->save(empty, Str((dir / "c.tiff").string()), HOST_FILTER_TIFF, 0), HOST_IMAGERESULT_PARAMERROR);
  EXPECT_EQ(api->save(bmp, Str((dir / "d.tiff").string()), 4242, 0), HOST_IMAGERESULT_PARAMERROR);
  EXPECT_FALSE(std::filesystem::exists(dir / "c.tiff"));

  api->free(nullptr, empty);
  api->free(nullptr, copy);
  api->free(nullptr, bmp);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ombrel::test
