// The image budget's arithmetic: byte counts as users write them, and what a header costs.
#include <gtest/gtest.h>

#include "core/shared_images.h"

namespace ombrel::test {
namespace {

TEST(ImageBudget, ByteCountsReadAsUsersWriteThem) {
  struct Case {
    const char* text;
    uint64_t bytes;
  };
  for (const Case& c : {Case{"0", 0}, Case{"1000", 1000}, Case{"1k", 1024}, Case{"512M", 512ull << 20},
                        Case{"2GiB", 2ull << 30}, Case{"3gb", 3ull << 30}, Case{"1T", 1ull << 40}, Case{"7B", 7}}) {
    uint64_t bytes = 99;
    std::string error;
    EXPECT_TRUE(host::ParseByteCount(c.text, bytes, error)) << c.text << ": " << error;
    EXPECT_EQ(bytes, c.bytes) << c.text;
  }
  for (const char* bad : {"", "M", "-1", "1.5G", "12x", "1 G", "18446744073709551616", "17179869184G"}) {
    uint64_t bytes = 99;
    std::string error;
    EXPECT_FALSE(host::ParseByteCount(bad, bytes, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(bytes, 99u) << bad;
  }
  EXPECT_EQ(host::ByteCountText(900), "900 bytes");
  EXPECT_EQ(host::ByteCountText(64ull << 20), "64 MiB");
  EXPECT_EQ(host::ByteCountText(3ull << 29), "1.5 GiB");
}

TEST(ImageBudget, AHeaderCostsItsPictureAndTheFilesSamples) {
  host::ImageHeader rgba8{100, 10, 4, host::SampleDepth::UInt8};
  EXPECT_EQ(host::DecodeCost(rgba8), 1000u * 3 + 1000u * 4);
  host::ImageHeader grey16{100, 10, 1, host::SampleDepth::Float32};  // kept as floats
  EXPECT_EQ(host::DecodeCost(grey16), 1000u * 12 + 1000u * 4);
  // The largest claims saturate instead of wrapping round to a small cost.
  host::ImageHeader huge{2147483647, 2147483647, 2147483647, host::SampleDepth::Float32};
  EXPECT_EQ(host::DecodeCost(huge), UINT64_MAX);
}

}  // namespace
}  // namespace ombrel::test
