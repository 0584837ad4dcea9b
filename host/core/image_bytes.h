// The bytes of a module file as its readers see them: every field is read through a check that
// it lies inside the file, so a header that points anywhere cannot make a reader step outside.
#ifndef OMBREL_HOST_IMAGE_BYTES_H
#define OMBREL_HOST_IMAGE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace ombrel::host {

class ImageBytes {
 public:
  ImageBytes(const unsigned char* data, size_t size) : data_(data), size_(data ? size : 0) {}
  size_t Size() const { return size_; }
  const unsigned char* Data() const { return data_; }

  // True when [offset, offset + length) lies in the image; safe against overflow.
  bool Holds(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

  // A little-endian field of 1 to 8 bytes; the caller has checked Holds(offset, bytes).
  uint64_t U(uint64_t offset, int bytes) const {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | data_[offset + static_cast<uint64_t>(i)];
    return v;
  }
  // The same, big-endian (the header of a universal Mach-O file).
  uint64_t UBig(uint64_t offset, int bytes) const {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | data_[offset + static_cast<uint64_t>(i)];
    return v;
  }
  // A field that may lie outside the image: false when it does.
  bool Read(uint64_t offset, int bytes, uint64_t& value) const {
    if (!Holds(offset, static_cast<uint64_t>(bytes))) return false;
    value = U(offset, bytes);
    return true;
  }

  // The NUL-terminated string at `offset` that must end before `end` (and before the image's
  // end); false when there is no NUL in that range or it is longer than `maxLength`.
  bool CString(uint64_t offset, uint64_t end, std::string& out, size_t maxLength = 4096) const {
    if (end > size_) end = size_;
    if (offset >= end) return false;
    const uint64_t limit = end - offset < maxLength + 1 ? end : offset + maxLength + 1;
    for (uint64_t i = offset; i < limit; ++i) {
      if (data_[i] == 0) {
        out.assign(reinterpret_cast<const char*>(data_ + offset), static_cast<size_t>(i - offset));
        return true;
      }
    }
    return false;
  }

  // An unsigned LEB128 number at `offset` that must end before `end`; advances `offset` past it.
  // False when it runs past `end` or does not fit 64 bits.
  bool Uleb(uint64_t& offset, uint64_t end, uint64_t& value) const {
    if (end > size_) end = size_;
    value = 0;
    for (int shift = 0; offset < end; shift += 7) {
      const unsigned char byte = data_[offset++];
      const uint64_t part = byte & 0x7Fu;
      if (shift >= 64 || (shift == 63 && part > 1)) return false;
      value |= part << shift;
      if ((byte & 0x80u) == 0) return true;
    }
    return false;
  }

 private:
  const unsigned char* data_;
  size_t size_;
};

// True, with `reason` saying which bytes `what` needs, when they do not lie in the image.
inline bool Truncated(const ImageBytes& b, const std::string& what, uint64_t offset, uint64_t length,
                      std::string& reason) {
  if (b.Holds(offset, length)) return false;
  reason = "truncated: " + what + " needs bytes " + std::to_string(offset) + " to " + std::to_string(offset + length) +
           " but the file has " + std::to_string(b.Size()) + " bytes";
  return true;
}

}  // namespace ombrel::host

#endif
