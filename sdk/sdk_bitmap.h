// The host's bitmap.
#ifndef OMBREL_SDK_BITMAP_H
#define OMBREL_SDK_BITMAP_H

#include "sdk_types.h"

class BaseContainer;
class Filename;

#define FILTER_TIF HOST_FILTER_TIFF
#define FILTER_PNG HOST_FILTER_PNG
#define IMAGERESULT_OK HOST_IMAGERESULT_OK
#define SAVEBIT_0 0

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
  // dst takes this picture's size and pixels.
  Bool CopyTo(BaseBitmap* dst) const;
  // Writes the picture in a format (FILTER_TIF, FILTER_PNG); IMAGERESULT_OK on success.
  LONG Save(const Filename& name, LONG format, const BaseContainer* data, LONG saveBits) const;
  // Takes the size and pixels of a movie's frame (0 is the first); FALSE when the host cannot.
  Bool LoadMovieFrame(const Filename& name, LONG frame);
  // Resizes this picture with the host's filter to w × h and writes it into dst at (x, y).
  Bool ScaleInto(BaseBitmap* dst, LONG x, LONG y, LONG w, LONG h) const;

 private:
  BaseBitmap() = delete;
  ~BaseBitmap() = delete;
};

#endif
