#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "bitmap.h"
#include "folders.h"
#include "families.h"
#include "host.h"
#include "image_source.h"
#include "status_line.h"

bool HostBitmap::Init(int32_t w, int32_t h) {
  // Refuse sizes that are empty or would not fit in memory rather than wrap around.
  constexpr int64_t kMaxPixels = int64_t{1} << 28;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  if (w <= 0 || h <= 0) {
    refused = "a picture of " + size + " pixels was asked for, which has no pixels";
    return false;
  }
  if (static_cast<int64_t>(w) * h > kMaxPixels) {
    refused = "a picture of " + size + " pixels was asked for, more than the " + std::to_string(kMaxPixels) +
              " pixels a bitmap holds";
    return false;
  }
  refused.clear();
  width = w;
  height = h;
  rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);
  return true;
}

namespace ombrel::host {
namespace {

HostBitmap* Alloc(HostModule* module) {
  if (module && !module->ledger.TakeHandle("bitmap")) return nullptr;
  return new HostBitmap();
}
void Free(HostModule* module, HostBitmap* bmp) {
  if (!bmp) return;
  if (module) module->ledger.HandleFreed();
  delete bmp;
}
HostBool Init(HostBitmap* bmp, int32_t w, int32_t h, int32_t depth) {
  return bmp && depth == 24 && bmp->Init(w, h) ? HOST_TRUE : HOST_FALSE;
}
int32_t Width(const HostBitmap* bmp) { return bmp ? bmp->width : 0; }
int32_t Height(const HostBitmap* bmp) { return bmp ? bmp->height : 0; }
uint8_t Channel(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
void SetPixel(HostBitmap* bmp, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
  if (!bmp || !bmp->Inside(x, y)) return;
  uint8_t* px = &bmp->rgb[(static_cast<size_t>(y) * static_cast<size_t>(bmp->width) + static_cast<size_t>(x)) * 3];
  px[0] = Channel(r);
  px[1] = Channel(g);
  px[2] = Channel(b);
}
void GetPixel(const HostBitmap* bmp, int32_t x, int32_t y, int32_t rgb[3]) {
  if (!rgb) return;
  rgb[0] = rgb[1] = rgb[2] = 0;
  if (!bmp || !bmp->Inside(x, y)) return;
  const uint8_t* px =
      &bmp->rgb[(static_cast<size_t>(y) * static_cast<size_t>(bmp->width) + static_cast<size_t>(x)) * 3];
  rgb[0] = px[0];
  rgb[1] = px[1];
  rgb[2] = px[2];
}

BitmapSaver g_saver = nullptr;

int32_t Save(const HostBitmap* bmp, HostStr path, int32_t format, int32_t saveBits) {
  (void)saveBits;
  if (!bmp || !path.data || path.length <= 0) return HOST_IMAGERESULT_PARAMERROR;
  const std::string name(path.data, static_cast<size_t>(path.length));
  if (bmp->width <= 0) {
    // The plug-in hears only that the file was not written; the user hears why.
    if (Host* host = CurrentHost()) {
      host->Log().push_back("cannot save " + name + ": the picture is empty" +
                            (bmp->refused.empty() ? std::string() : ": " + bmp->refused));
    }
    return HOST_IMAGERESULT_PARAMERROR;
  }
  if (format != HOST_FILTER_TIFF && format != HOST_FILTER_PNG) return HOST_IMAGERESULT_PARAMERROR;
  std::string error;
  const bool saved = g_saver && g_saver(*bmp, std::filesystem::path(std::u8string(name.begin(), name.end())), format, error);
  if (saved) return HOST_IMAGERESULT_OK;
  if (Host* host = CurrentHost()) host->Log().push_back(error.empty() ? "cannot write " + name + ": this host has no image writer" : error);
  return HOST_IMAGERESULT_FILEERROR;
}

HostBool CopyTo(const HostBitmap* src, HostBitmap* dst) {
  if (!src || !dst) return HOST_FALSE;
  if (src != dst) *dst = *src;
  return HOST_TRUE;
}

HostBrowseFiles* BrowseFilesNew(HostModule* module, HostStr folder, int32_t flags) {
  (void)flags;
  if (!module || !folder.data || folder.length <= 0) return nullptr;
  auto walk = std::make_unique<HostBrowseFiles>();
  const std::string name(folder.data, static_cast<size_t>(folder.length));
  std::string error;
  if (!ListFolder(name, walk->entries, &error)) {
    // Plug-ins take a folder they cannot walk for an empty one; the user hears why.
    if (Host* host = CurrentHost()) host->Log().push_back("cannot read the folder " + name + ": " + error);
    return nullptr;
  }
  if (!module->ledger.TakeHandle("folder walk")) return nullptr;
  return walk.release();
}

HostBool BrowseFilesNext(HostBrowseFiles* walk, HostStr* name, HostBool* isFolder) {
  if (!walk || walk->next >= walk->entries.size()) return HOST_FALSE;
  const FolderEntry& e = walk->entries[walk->next++];
  if (name) *name = HostStr{e.name.data(), static_cast<int64_t>(e.name.size())};
  if (isFolder) *isFolder = e.isFolder ? HOST_TRUE : HOST_FALSE;
  return HOST_TRUE;
}

void BrowseFilesFree(HostModule* module, HostBrowseFiles* walk) {
  if (!walk) return;
  if (module) module->ledger.HandleFreed();
  delete walk;
}

HostBool CheckSuffixC(HostStr path, HostStr suffix) {
  const std::string p = path.data && path.length > 0 ? std::string(path.data, static_cast<size_t>(path.length)) : "";
  const std::string x = suffix.data && suffix.length > 0 ? std::string(suffix.data, static_cast<size_t>(suffix.length)) : "";
  return HasSuffix(p, x) ? HOST_TRUE : HOST_FALSE;
}


HostBool LoadMovieFrame(HostBitmap* bmp, HostStr path, int32_t frame) {
  if (!bmp || !path.data || path.length <= 0 || frame < 0) return HOST_FALSE;
  std::string error;
  const ImageCodec* codec = ImageCodecs(error);
  if (!codec || !codec->movieFrame) return HOST_FALSE;
  const std::string name(path.data, static_cast<size_t>(path.length));
  const std::filesystem::path file(std::u8string(name.begin(), name.end()));
  // A movie's frames are asked for one by one, thousands for an atlas: the status line shows
  // how far that has got.
  int32_t frames = 0;
  double rate = 0.0;
  if (codec->movieInfo && !codec->movieInfo(file, frames, rate)) frames = 0;
  FloatImage image;
  if (!codec->movieFrame(file, frame, image, error)) {
    ClearStatus();
    if (Host* host = CurrentHost()) host->Log().push_back(error);
    return HOST_FALSE;
  }
  const std::u8string shown = file.filename().u8string();
  ShowProgress("reading the frames of " + std::string(shown.begin(), shown.end()), int64_t{frame} + 1, frames);
  HostBitmap out;
  if (!out.Init(image.width, image.height)) return HOST_FALSE;
  for (size_t i = 0; i < out.rgb.size(); ++i) {
    out.rgb[i] = static_cast<uint8_t>(std::lround(std::clamp(image.rgb[i], 0.0f, 1.0f) * 255.0f));
  }
  *bmp = std::move(out);
  return HOST_TRUE;
}

HostBool ScaleInto(const HostBitmap* src, HostBitmap* dst, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (!src || !dst || src == dst || src->width <= 0 || src->height <= 0 || w <= 0 || h <= 0) return HOST_FALSE;
  std::string error;
  const ImageCodec* codec = ImageCodecs(error);
  if (!codec || !codec->resize) return HOST_FALSE;
  HostBitmap scaled;
  if (!codec->resize(src->rgb.data(), src->width, src->height, w, h, scaled.rgb) ||
      scaled.rgb.size() != static_cast<size_t>(w) * static_cast<size_t>(h) * 3) {
    return HOST_FALSE;
  }
  for (int32_t row = 0; row < h; ++row) {
    for (int32_t col = 0; col < w; ++col) {
      const int64_t tx = static_cast<int64_t>(x) + col, ty = static_cast<int64_t>(y) + row;
      if (tx < 0 || ty < 0 || tx >= dst->width || ty >= dst->height) continue;
      const uint8_t* from = &scaled.rgb[(static_cast<size_t>(row) * static_cast<size_t>(w) + static_cast<size_t>(col)) * 3];
      uint8_t* to = &dst->rgb[(static_cast<size_t>(ty) * static_cast<size_t>(dst->width) + static_cast<size_t>(tx)) * 3];
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
  return HOST_TRUE;
}

const HostBitmapApi kBitmaps{sizeof(HostBitmapApi), Alloc,           Free,           Init,            Width,
                             Height,                SetPixel,        GetPixel,       Save,            CopyTo,
                             BrowseFilesNew,        BrowseFilesNext, BrowseFilesFree, CheckSuffixC,  LoadMovieFrame,
                             ScaleInto};

}  // namespace

void SetBitmapSaver(BitmapSaver saver) { g_saver = saver; }
BitmapSaver GetBitmapSaver() { return g_saver; }

const HostBitmapApi* BitmapFamily() { return &kBitmaps; }

}  // namespace ombrel::host
