// PFM ("portable float map") files, read and written by the host itself: the one picture format
// that needs no image library, so a build without one (Windows) still renders scenes with
// textures and writes exact pictures, and every platform reads and writes it with the same code.
#ifndef OMBREL_HOST_PFM_FILE_H
#define OMBREL_HOST_PFM_FILE_H

#include <filesystem>
#include <string>
#include <vector>

#include "image_source.h"

namespace ombrel::host {

// Whether the file's suffix is .pfm (any case).
bool IsPfmFile(const std::filesystem::path& file);

// Reads the header ("PF" colour or "Pf" grey, size, scale whose sign gives the byte order) and
// checks that the file holds every sample it claims. False with a message naming the file.
bool ProbePfm(const std::filesystem::path& file, ImageHeader& header, std::string& error);

// Decodes the whole picture as floats, top row first (the file stores the bottom row first),
// grey spread to three channels.
bool DecodePfm(const std::filesystem::path& file, const ImageHeader& header, SourceImage& image, std::string& error);

// Encodes width x height RGB floats (top row first) as a colour PFM, little-endian.
void EncodePfm(const float* rgb, int width, int height, std::vector<unsigned char>& bytes);

}  // namespace ombrel::host

#endif
