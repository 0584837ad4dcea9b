#include <mutex>

#include "image_source.h"

namespace ombrel::host {
namespace {

struct CodecState {
  std::mutex mutex;
  ImageCodecLoader loader = nullptr;
  bool tried = false;
  const ImageCodec* codec = nullptr;
  std::string error;
};

CodecState& State() {
  static CodecState state;
  return state;
}

}  // namespace

void SetImageCodecLoader(ImageCodecLoader loader) {
  CodecState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.loader = loader;
  state.tried = false;
  state.codec = nullptr;
  state.error.clear();
}

const ImageCodec* ImageCodecs(std::string& error) {
  CodecState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.tried) {
    state.tried = true;
    if (!state.loader) {
      state.error = "this host has no image library";
    } else {
      state.codec = state.loader(state.error);
      // A library built from an older table lacks the later functions; these three are the first.
      if (state.codec && (state.codec->size < sizeof(ImageCodec) || !state.codec->probe || !state.codec->decode ||
                          !state.codec->encode)) {
        state.codec = nullptr;
        state.error = "the image library does not provide what this host needs";
      }
      if (!state.codec && state.error.empty()) state.error = "the image library could not be loaded";
    }
  }
  if (!state.codec) error = state.error;
  return state.codec;
}

}  // namespace ombrel::host
