#include "sdk_bitmap.h"

#include "sdk_dialogs.h"
#include "sdk_host.h"

namespace {
const HostBitmapApi* Api() { return SdkHost() ? SdkHost()->bitmaps : nullptr; }
}  // namespace

BaseBitmap* BaseBitmap::Alloc() { return SdkHost() ? From(Api()->alloc(SdkModule())) : nullptr; }
void BaseBitmap::Free(BaseBitmap*& bmp) {
  if (bmp && SdkHost()) Api()->free(SdkModule(), bmp->Host());
  bmp = nullptr;
}
Bool BaseBitmap::Init(LONG width, LONG height, LONG depth) { return Api()->init(Host(), width, height, depth); }
LONG BaseBitmap::GetBw() const { return Api()->width(Host()); }
LONG BaseBitmap::GetBh() const { return Api()->height(Host()); }
void BaseBitmap::SetPixel(LONG x, LONG y, LONG r, LONG g, LONG b) { Api()->setPixel(Host(), x, y, r, g, b); }
void BaseBitmap::GetPixel(LONG x, LONG y, LONG* r, LONG* g, LONG* b) const {
  int32_t rgb[3] = {0, 0, 0};
  Api()->getPixel(Host(), x, y, rgb);
  if (r) *r = rgb[0];
  if (g) *g = rgb[1];
  if (b) *b = rgb[2];
}
Bool BaseBitmap::CopyTo(BaseBitmap* dst) const {
  return dst && OMBREL_HAS(Api(), copyTo) && Api()->copyTo(Host(), dst->Host());
}
LONG BaseBitmap::Save(const Filename& name, LONG format, const BaseContainer* data, LONG saveBits) const {
  (void)data;
  if (!OMBREL_HAS(Api(), save)) return HOST_IMAGERESULT_FILEERROR;
  return Api()->save(Host(), name.GetString().ToHost(), format, saveBits);
}

Bool BaseBitmap::LoadMovieFrame(const Filename& name, LONG frame) {
  const HostApi* host = SdkHost();
  if (!host || !OMBREL_HAS(host->bitmaps, loadMovieFrame)) return FALSE;
  return host->bitmaps->loadMovieFrame(Host(), name.GetString().ToHost(), frame);
}

Bool BaseBitmap::ScaleInto(BaseBitmap* dst, LONG x, LONG y, LONG w, LONG h) const {
  const HostApi* host = SdkHost();
  if (!dst || !host || !OMBREL_HAS(host->bitmaps, scaleInto)) return FALSE;
  return host->bitmaps->scaleInto(Host(), dst->Host(), x, y, w, h);
}
