// Image files in every format the image library reads, for the host's bitmap shader.
#ifndef OMBREL_HOST_IMAGE_READER_H
#define OMBREL_HOST_IMAGE_READER_H

#include <filesystem>
#include <string>

#include "core/image_source.h"
#include "image/movie_reader.h"

namespace ombrel::host {

// Reads the first sub-image of a file as RGB floats (grey is spread to three channels, alpha
// dropped; 8-bit values come back as value / 255). False with a message naming the file on
// failure.
bool ReadImageFile(const std::filesystem::path& file, FloatImage& image, std::string& error);

// Makes ReadImageFile the reader of the host's bitmap shader, with the movie reader and the
// bitmap scaling of the same library.
inline void InstallImageReader() {
  SetImageReader(&ReadImageFile);
  InstallMovieReader();
}

}  // namespace ombrel::host

#endif
