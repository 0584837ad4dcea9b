#include "sdk_string.h"

#include <cstring>

#include "sdk_host.h"
#include "sdk_memory.h"

String::String(const char* text) { Assign(text, text ? static_cast<LONG>(std::strlen(text)) : 0); }

String::String(const char* text, LONG length) { Assign(text, length); }

String::String(const HostStr& text) { Assign(text.data, static_cast<LONG>(text.length)); }

String::String(const String& other) { Assign(other.data_, other.length_); }

String::String(String&& other) noexcept : data_(other.data_), length_(other.length_) {
  other.data_ = nullptr;
  other.length_ = 0;
}

String::~String() { GeFree(data_); }

String& String::operator=(const String& other) {
  if (this != &other) Assign(other.data_, other.length_);
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    GeFree(data_);
    data_ = other.data_;
    length_ = other.length_;
    other.data_ = nullptr;
    other.length_ = 0;
  }
  return *this;
}

// On allocation failure the string becomes empty rather than keeping a stale or partial text.
bool String::Assign(const char* text, LONG length) {
  char* fresh = nullptr;
  if (text && length > 0) {
    fresh = static_cast<char*>(GeAlloc(static_cast<VLONG>(length) + 1));
    if (fresh) {
      std::memcpy(fresh, text, static_cast<size_t>(length));
      fresh[length] = '\0';
    }
  }
  GeFree(data_);
  data_ = fresh;
  length_ = fresh ? length : 0;
  return fresh != nullptr || length <= 0;
}

String String::operator+(const String& other) const {
  String joined(*this);
  joined += other;
  return joined;
}

String& String::operator+=(const String& other) {
  Insert(length_, other);
  return *this;
}

bool String::operator==(const String& other) const {
  return length_ == other.length_ && std::memcmp(GetCStr(), other.GetCStr(), static_cast<size_t>(length_)) == 0;
}

void String::Insert(LONG pos, const String& text) {
  if (text.length_ == 0) return;
  if (pos < 0) pos = 0;
  if (pos > length_) pos = length_;
  const LONG total = length_ + text.length_;
  char* fresh = static_cast<char*>(GeAlloc(static_cast<VLONG>(total) + 1));
  if (!fresh) return;
  if (pos > 0) std::memcpy(fresh, data_, static_cast<size_t>(pos));
  std::memcpy(fresh + pos, text.data_, static_cast<size_t>(text.length_));
  if (length_ > pos) std::memcpy(fresh + pos + text.length_, data_ + pos, static_cast<size_t>(length_ - pos));
  fresh[total] = '\0';
  GeFree(data_);
  data_ = fresh;
  length_ = total;
}

String String::LongToString(LONG value) {
  char buf[16];
  int n = 0;
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(static_cast<long long>(value))
                                           : static_cast<unsigned long long>(value);
  char digits[16];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) buf[n++] = '-';
  while (count) buf[n++] = digits[--count];
  return String(buf, n);
}

String String::RealToString(Real value, LONG before, LONG after, Bool exponent, char fill) {
  const HostApi* host = SdkHost();
  if (!host) return String();
  char buf[128];
  const int64_t needed = host->strings->realToText(value, before, after, exponent,
                                                   static_cast<uint32_t>(static_cast<unsigned char>(fill)),
                                                   buf, static_cast<int64_t>(sizeof(buf)));
  if (needed <= static_cast<int64_t>(sizeof(buf))) return String(buf, static_cast<LONG>(needed));
  char* big = static_cast<char*>(GeAlloc(needed));
  if (!big) return String();
  host->strings->realToText(value, before, after, exponent, static_cast<uint32_t>(static_cast<unsigned char>(fill)),
                            big, needed);
  String result(big, static_cast<LONG>(needed));
  GeFree(big);
  return result;
}

namespace {
LONG LastSeparator(const String& s) {
  const char* p = s.GetCStr();
  for (LONG i = s.GetLength() - 1; i >= 0; --i) {
    if (p[i] == '/' || p[i] == '\\') return i;
  }
  return -1;
}
}  // namespace

Filename Filename::GetDirectory() const {
  const LONG sep = LastSeparator(path_);
  if (sep < 0) return Filename();
  return Filename(String(path_.GetCStr(), sep == 0 ? 1 : sep));
}

String Filename::GetFileString() const {
  const LONG sep = LastSeparator(path_);
  return String(path_.GetCStr() + sep + 1, path_.GetLength() - sep - 1);
}

Filename Filename::operator+(const String& name) const {
  if (!path_.Content()) return Filename(name);
  const char last = path_.GetCStr()[path_.GetLength() - 1];
  if (last == '/' || last == '\\') return Filename(path_ + name);
  return Filename(path_ + String("/") + name);
}
