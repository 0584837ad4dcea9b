// Shaders that the stand-in host itself provides, for scenes and tests.
#ifndef OMBREL_HOST_BUILTIN_SHADERS_H
#define OMBREL_HOST_BUILTIN_SHADERS_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "host_api.h"

struct HostNode;

namespace ombrel::host {

// Built-in shader types. The colour shader's parameter 1000 is its colour.
constexpr int32_t kColorShaderType = 5832;
// Returns the sample point (u, v, w) as the colour: the way to check any transform numerically.
constexpr int32_t kUvShaderType = 1100001;
// The host's bitmap shader: parameter 1000 is its image file, decoded at render set-up through
// the image library and shared with every other bitmap shader that reads the same file
// (AcquireImage); sampled bilinearly, repeating with the tile flag and mirrored with the mirror
// flag, else clamped to the edge. Its set-up fails (1) for a file that cannot be read or does
// not fit the image budget, and names the file and the reason in the host's log.
constexpr int32_t kBitmapShaderType = 5833;
constexpr int32_t kBitmapFileParam = 1000;
// Its render set-up fails with the code in its parameter 1000 (default 1): for testing how
// shaders treat inputs that cannot be prepared. Samples are magenta.
constexpr int32_t kFailingShaderType = 1100002;
// Answers its colour (parameter 1000) for colour samples and its alpha colour (parameter 1001)
// for samples whose channel field names the alpha channel: for testing how shaders read an
// input's alpha.
constexpr int32_t kAlphaShaderType = 1100003;

class BuiltinShader {
 public:
  virtual ~BuiltinShader() = default;
  // Reads the node's parameters; 0 on success.
  virtual int32_t InitRender(HostNode& node, const HostInitRender& irs) = 0;
  virtual void FreeRender() {}
  // Safe on render threads between InitRender and FreeRender.
  virtual HostVector Sample(const HostChannelData& cd) const = 0;
  // The picture behind the shader, after a successful set-up; null when it has none.
  virtual HostBitmap* Bitmap() { return nullptr; }

  // Messages passed on to this shader, for tests of message forwarding. Main thread only.
  int32_t messagesReceived = 0;
  int32_t lastMessage = 0;
};

// The built-in shader of this type, or null.
std::unique_ptr<BuiltinShader> MakeBuiltinShader(int32_t type);

struct BuiltinShaderName {
  std::string_view name;
  int32_t type;
};
// Every built-in shader by its name in scene files, in the order messages list them.
const std::vector<BuiltinShaderName>& BuiltinShaderNames();

// Type by scene name ("color", "uv", "bitmap", "fail", "alpha"); 0 when unknown.
int32_t BuiltinShaderType(std::string_view name);

}  // namespace ombrel::host

#endif
