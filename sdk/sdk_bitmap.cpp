#include "sdk_bitmap.h"

#include "sdk_host.h"

namespace {
const HostBitmapApi* Api() { return SdkHost()->bitmaps; }
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
