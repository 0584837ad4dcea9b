// Movie files through the image library's movie reader, and resizing with its filter: part of
// the image library's codec table, behind the host's movie loader and bitmap scaling.
#ifndef OMBREL_HOST_MOVIE_READER_H
#define OMBREL_HOST_MOVIE_READER_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/image_source.h"

namespace ombrel::host {

// True for a file the library reads as a movie, with its frame count and frames per second.
bool ReadMovieInfo(const std::filesystem::path& file, int32_t& frameCount, double& fps);
// Frame `index` (0 is the first) of a movie as RGB floats.
bool ReadMovieFrame(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error);
// An 8-bit RGB picture resized to w × h with the library's default resize filter.
bool ResizePicture(const uint8_t* rgb, int width, int height, int w, int h, std::vector<uint8_t>& out);

}  // namespace ombrel::host

#endif
