// The one entry point of the image library that ombrel-host loads on first need.
#include "image/image_library_loader.h"
#include "image/image_reader.h"

extern "C" __attribute__((visibility("default"))) const ombrel::host::ImageCodec* ombrel_host_image_codec() {
  return ombrel::host::LinkedImageCodec();
}
