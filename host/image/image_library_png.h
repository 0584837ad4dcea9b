// PNG files before and around the image library's PNG reader: a file cut short is named as such
// from its chunk layout before the library reads it, and libpng's own complaints reach the host's
// messages instead of going straight to stderr.
#ifndef OMBREL_HOST_IMAGE_LIBRARY_PNG_H
#define OMBREL_HOST_IMAGE_LIBRARY_PNG_H

#include <filesystem>
#include <string>

namespace ombrel::host {

// Walks the chunks of a file that starts as a PNG file does (or is a piece of that start); true
// with the reason ("the file is cut short ...") when it ends before its IEND chunk does. Files of
// other types, and PNG files complete to their end, answer false.
bool PngCutShort(const std::filesystem::path& file, std::string& reason);

// The warnings libpng gave on this thread since the last call, as one line ("" for none). Its
// errors reach the image library's own error text.
std::string TakePngWarnings();

}  // namespace ombrel::host

#endif
