// Saving the host's 8-bit bitmaps (what modules draw into) as TIFF or PNG files.
#ifndef OMBREL_HOST_IMAGE_BITMAP_SAVE_H
#define OMBREL_HOST_IMAGE_BITMAP_SAVE_H

#include <filesystem>
#include <string>

#include "core/bitmap.h"

namespace ombrel::host {

// Writes the bitmap's 8-bit RGB codes as they are: format HOST_FILTER_TIFF or HOST_FILTER_PNG,
// whatever the file's suffix. The file is written beside the target first and replaces it only
// when complete. False with a message naming the file on failure.
bool SaveBitmapFile(const HostBitmap& bitmap, const std::filesystem::path& file, int32_t format, std::string& error);

// Makes SaveBitmapFile the host's bitmap save.
inline void InstallBitmapSaver() { SetBitmapSaver(&SaveBitmapFile); }

}  // namespace ombrel::host

#endif
