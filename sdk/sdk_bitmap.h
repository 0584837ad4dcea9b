// The host's bitmap.
#ifndef OMBREL_SDK_BITMAP_H
#define OMBREL_SDK_BITMAP_H

#include "sdk_types.h"

class BaseBitmap {
 public:
  HostBitmap* Host() { return reinterpret_cast<HostBitmap*>(this); }
  const HostBitmap* Host() const { return reinterpret_cast<const HostBitmap*>(this); }
  static BaseBitmap* From(HostBitmap* bmp) { return reinterpret_cast<BaseBitmap*>(bmp); }

  static BaseBitmap* Alloc();
  static void Free(BaseBitmap*& bmp);
  Bool Init(LONG width, LONG height, LONG depth = 24);
  LONG GetBw() const;
  LONG GetBh() const;
  void SetPixel(LONG x, LONG y, LONG r, LONG g, LONG b);
  void GetPixel(LONG x, LONG y, LONG* r, LONG* g, LONG* b) const;

 private:
  BaseBitmap() = delete;
  ~BaseBitmap() = delete;
};

#endif
