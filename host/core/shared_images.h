// Decoded image files, shared by every bitmap shader that reads the same file, within a memory
// budget that is checked against each file's header before any pixel is decoded.
#ifndef OMBREL_HOST_SHARED_IMAGES_H
#define OMBREL_HOST_SHARED_IMAGES_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "image_source.h"

namespace ombrel::host {

// The default budget for all pictures decoded at once: 1 GiB.
constexpr uint64_t kDefaultImageBudget = uint64_t{1} << 30;
// The environment variable that sets the budget (the command line's --image-budget wins).
constexpr const char* kImageBudgetVariable = "OMBREL_IMAGE_BUDGET";

// The bytes that all decoded pictures together may take. Main thread.
void SetImageBudget(uint64_t bytes);
uint64_t ImageBudget();

// What decoding a file with this header costs at its peak: the picture as kept (3 bytes a pixel
// for 8-bit files, 12 for all others) plus the file's own samples, which the library holds
// while it decodes.
uint64_t DecodeCost(const ImageHeader& header);

// The picture of a file, decoded once and shared while anyone holds it: a later request for
// the same path whose modification time and size are unchanged gets the same picture. A file
// whose header claims more than the budget has left is refused before it is decoded. Null with
// a message naming the file and the reason on failure. Main thread (render set-up); the
// picture itself may then be read from any thread.
std::shared_ptr<const SourceImage> AcquireImage(const std::filesystem::path& file, std::string& error);

// Bytes held by the decoded pictures that are in use now.
uint64_t DecodedImageBytes();

// Reads a byte count: a whole number with an optional suffix K, M, G or T (powers of 1024,
// an optional "iB" or "B" after it, any case), e.g. "512M", "2GiB", "1000000".
bool ParseByteCount(std::string_view text, uint64_t& bytes, std::string& error);

// A byte count for messages: "1.5 GiB", "64 MiB", "900 bytes".
std::string ByteCountText(uint64_t bytes);

}  // namespace ombrel::host

#endif
