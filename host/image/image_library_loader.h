// Loads the image library (a shared library built beside ombrel-host) the first time a command
// needs an image, so commands that need none start without the library and its dependencies.
#ifndef OMBREL_HOST_IMAGE_LIBRARY_LOADER_H
#define OMBREL_HOST_IMAGE_LIBRARY_LOADER_H

#include <string>

#include "core/image_source.h"

namespace ombrel::host {

// The name of the entry point the library exports: `const ImageCodec* ombrel_host_image_codec()`.
constexpr const char* kImageCodecEntry = "ombrel_host_image_codec";

// Opens a shared library built beside the running program and answers its entry point; null
// with a reason naming `what` ("the image library") and the file when it cannot. Never closed:
// such libraries keep threads and exit handlers of their own.
void* EntryBesideProgram(const char* file, const char* entry, const char* what, std::string& error);

// Makes the library beside the running program the host's image library, loaded on first use.
void InstallImageLibraryLoader();

}  // namespace ombrel::host

#endif
