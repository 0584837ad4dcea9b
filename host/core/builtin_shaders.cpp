#include "builtin_shaders.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "bitmap.h"
#include "families.h"
#include "host.h"
#include "image_source.h"
#include "shared_images.h"
#include "nodes.h"

namespace ombrel::host {
namespace {

constexpr int32_t kColorParam = 1000;

class ColorShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    const HostData* value = node.data.Find(kColorParam);
    colour_ = value && value->type == HOST_DA_VECTOR ? value->vec : HostVector{1.0, 1.0, 1.0};
    return 0;
  }
  HostVector Sample(const HostChannelData&) const override { return colour_; }

 private:
  HostVector colour_{1.0, 1.0, 1.0};
};

class UvShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode&, const HostInitRender&) override { return 0; }
  HostVector Sample(const HostChannelData& cd) const override { return cd.p; }
};

class FailingShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    const HostData* code = node.data.Find(kColorParam);
    return code && code->type == HOST_DA_LONG ? code->i32 : 1;
  }
  HostVector Sample(const HostChannelData&) const override { return HostVector{1.0, 0.0, 1.0}; }
};

class AlphaShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    colour_ = VectorParam(node, kColorParam, HostVector{1.0, 1.0, 1.0});
    alpha_ = VectorParam(node, kColorParam + 1, HostVector{1.0, 1.0, 1.0});
    return 0;
  }
  HostVector Sample(const HostChannelData& cd) const override {
    const int32_t channel = (cd.texflag & HOST_TEX_CHANNEL_MASK) >> HOST_TEX_CHANNEL_SHIFT;
    return channel == HOST_CHANNEL_ALPHA ? alpha_ : colour_;
  }

 private:
  static HostVector VectorParam(HostNode& node, int32_t id, HostVector preset) {
    const HostData* value = node.data.Find(id);
    return value && value->type == HOST_DA_VECTOR ? value->vec : preset;
  }
  HostVector colour_{1.0, 1.0, 1.0};
  HostVector alpha_{1.0, 1.0, 1.0};
};

class BitmapShader : public BuiltinShader {
 public:
  int32_t InitRender(HostNode& node, const HostInitRender&) override {
    FreeRender();
    const HostData* file = node.data.Find(kBitmapFileParam);
    const std::string name = file && (file->type == HOST_DA_STRING || file->type == HOST_DA_FILENAME) ? file->text : "";
    std::string error;
    if (name.empty()) {
      error = "bitmap shader \"" + node.name + "\" has no image file";
    } else {
      image_ = AcquireImage(std::filesystem::path(std::u8string(name.begin(), name.end())), error);
      if (image_) return 0;
      if (error.empty()) error = "cannot read image \"" + name + "\"";
    }
    if (Host* host = CurrentHost()) host->Log().push_back(error);
    return 1;
  }

  void FreeRender() override {
    image_.reset();
    bitmap_.reset();
    bitmapOnce_ = std::make_unique<std::once_flag>();
  }

  HostVector Sample(const HostChannelData& cd) const override {
    if (!image_) return HostVector{0, 0, 0};
    const SourceImage& image = *image_;
    // Pixel centres sit at (i + 0.5) / width; v runs from the top row down.
    const double x = Finite(cd.p.x) * image.width - 0.5;
    const double y = Finite(cd.p.y) * image.height - 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    const double tx = x - fx, ty = y - fy;
    const long long x0 = static_cast<long long>(std::clamp(fx, -1e15, 1e15));
    const long long y0 = static_cast<long long>(std::clamp(fy, -1e15, 1e15));
    const double weights[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
    size_t index[4];
    for (int corner = 0; corner < 4; ++corner) {
      const int px = Wrap(x0 + (corner & 1), image.width, cd.texflag);
      const int py = Wrap(y0 + (corner >> 1), image.height, cd.texflag);
      index[corner] = (static_cast<size_t>(py) * static_cast<size_t>(image.width) + static_cast<size_t>(px)) * 3;
    }
    if (image.depth == SampleDepth::UInt8) return Blend(image.codes.data(), index, weights, CodeToFloat);
    return Blend(image.floats.data(), index, weights, [](float v) { return v; });
  }

  // Made on first request: most renders never ask, and the picture is shared while this copy
  // belongs to the shader alone.
  HostBitmap* Bitmap() override {
    if (!image_) return nullptr;
    std::call_once(*bitmapOnce_, [this] { bitmap_ = MakeBitmap(*image_); });
    return bitmap_ && bitmap_->width > 0 ? bitmap_.get() : nullptr;
  }

 private:
  static double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

  // The four texels weighted, each sample turned into a float first as a float picture holds it.
  template <class Sample, class ToFloat>
  static HostVector Blend(const Sample* samples, const size_t index[4], const double weights[4], ToFloat toFloat) {
    HostVector c{0, 0, 0};
    for (int corner = 0; corner < 4; ++corner) {
      const Sample* texel = samples + index[corner];
      c.x += weights[corner] * toFloat(texel[0]);
      c.y += weights[corner] * toFloat(texel[1]);
      c.z += weights[corner] * toFloat(texel[2]);
    }
    return c;
  }

  static int Wrap(long long i, int size, int32_t texflag) {
    const long long n = size;
    if (texflag & HOST_TEX_MIRROR) {
      long long m = i % (2 * n);
      if (m < 0) m += 2 * n;
      return static_cast<int>(m < n ? m : 2 * n - 1 - m);
    }
    if (texflag & HOST_TEX_TILE) {
      long long m = i % n;
      if (m < 0) m += n;
      return static_cast<int>(m);
    }
    return static_cast<int>(std::clamp<long long>(i, 0, n - 1));
  }

  static std::unique_ptr<HostBitmap> MakeBitmap(const SourceImage& image) {
    auto bitmap = std::make_unique<HostBitmap>();
    if (!bitmap->Init(image.width, image.height)) return nullptr;
    if (image.depth == SampleDepth::UInt8) {
      bitmap->rgb = image.codes;
    } else {
      for (size_t i = 0; i < bitmap->rgb.size(); ++i) {
        const float v = std::clamp(image.floats[i], 0.0f, 1.0f);
        bitmap->rgb[i] = static_cast<uint8_t>(std::lround(v * 255.0f));
      }
    }
    return bitmap;
  }

  std::shared_ptr<const SourceImage> image_;
  std::unique_ptr<HostBitmap> bitmap_;
  std::unique_ptr<std::once_flag> bitmapOnce_ = std::make_unique<std::once_flag>();
};

}  // namespace

std::unique_ptr<BuiltinShader> MakeBuiltinShader(int32_t type) {
  switch (type) {
    case kColorShaderType: return std::make_unique<ColorShader>();
    case kUvShaderType: return std::make_unique<UvShader>();
    case kFailingShaderType: return std::make_unique<FailingShader>();
    case kBitmapShaderType: return std::make_unique<BitmapShader>();
    case kAlphaShaderType: return std::make_unique<AlphaShader>();
    default: return nullptr;
  }
}

const std::vector<BuiltinShaderName>& BuiltinShaderNames() {
  static const std::vector<BuiltinShaderName> names = {
      {"color", kColorShaderType},
      {"uv", kUvShaderType},
      {"bitmap", kBitmapShaderType},
      {"fail", kFailingShaderType},
      {"alpha", kAlphaShaderType},
  };
  return names;
}

int32_t BuiltinShaderType(std::string_view name) {
  for (const BuiltinShaderName& builtin : BuiltinShaderNames()) {
    if (builtin.name == name) return builtin.type;
  }
  return 0;
}

}  // namespace ombrel::host
