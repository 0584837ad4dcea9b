// Movie files through the image library's movie reader, and resizing with its filter: the movie
// loader and the bitmap scaling of the host.
#ifndef OMBREL_HOST_MOVIE_READER_H
#define OMBREL_HOST_MOVIE_READER_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/bitmap.h"
#include "core/image_source.h"

namespace ombrel::host {

// True for a file the library reads as a movie, with its frame count and frames per second.
bool ReadMovieInfo(const std::filesystem::path& file, int32_t& frameCount, double& fps);
// Frame `index` (0 is the first) of a movie as RGB floats.
bool ReadMovieFrame(const std::filesystem::path& file, int32_t index, FloatImage& image, std::string& error);
// src resized to w × h with the library's default resize filter.
bool ResizeBitmap(const HostBitmap& src, int32_t w, int32_t h, HostBitmap& out);

// Makes these the host's movie reader and bitmap scaler.
inline void InstallMovieReader() {
  SetMovieReader(MovieReader{&ReadMovieInfo, &ReadMovieFrame});
  SetBitmapScaler(&ResizeBitmap);
}

}  // namespace ombrel::host

#endif
