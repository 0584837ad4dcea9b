// Loads the image library (a shared library built beside ombrel-host) the first time a command
// needs an image, so commands that need none start without the library and its dependencies.
#ifndef OMBREL_HOST_IMAGE_LIBRARY_LOADER_H
#define OMBREL_HOST_IMAGE_LIBRARY_LOADER_H

#include "core/image_source.h"

namespace ombrel::host {

// The name of the entry point the library exports: `const ImageCodec* ombrel_host_image_codec()`.
constexpr const char* kImageCodecEntry = "ombrel_host_image_codec";

// Makes the library beside the running program the host's image library, loaded on first use.
void InstallImageLibraryLoader();

}  // namespace ombrel::host

#endif
