// The image library (OpenImageIO) behind the core's ImageCodec table: reading headers,
// decoding, encoding. ombrel-host loads it as a library of its own on first need
// (image_library_loader.h); tests and benchmarks link it and install it directly.
#ifndef OMBREL_HOST_IMAGE_READER_H
#define OMBREL_HOST_IMAGE_READER_H

#include <filesystem>
#include <string>

#include "core/image_source.h"

namespace ombrel::host {

// The library's table; the same every call.
const ImageCodec* LinkedImageCodec();

// Reads the first picture of a file whole, as RGB floats (grey spread to three channels, alpha
// dropped; 8-bit values come back as CodeToFloat gives them). No budget applies: for tests and
// tools that read files they made. False with a message naming the file on failure.
bool ReadImageFile(const std::filesystem::path& file, FloatImage& image, std::string& error);

// Makes the linked library the host's image library, for the bitmap shader and for writing.
void InstallImageReader();

}  // namespace ombrel::host

#endif
