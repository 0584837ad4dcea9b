#include "image/image_library_png.h"

#include <dlfcn.h>
#include <png.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

namespace ombrel::host {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

thread_local std::string messages;

void KeepWarning(png_structp, png_const_charp text) {
  if (!messages.empty()) messages += "; ";
  messages += "libpng warning: ";
  messages += text ? text : "no reason given";
}

uint32_t BigEndian(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

std::string ChunkName(const unsigned char* type) {
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = type[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return "a chunk";
  }
  return "its " + std::string(reinterpret_cast<const char*>(type), 4) + " chunk";
}

// libpng prints an error to stderr itself unless the error handler it was given leaves by a
// long jump, and the image library's handler records the text and returns. Each handler the
// library installs gets a stand-in that calls it and then jumps, as libpng would after printing;
// warnings without a handler are kept for the host's message.
constexpr size_t kSlots = 8;
std::array<std::atomic<png_error_ptr>, kSlots> handlers{};

template <size_t N>
void JumpAfter(png_structp png, png_const_charp text) {
  handlers[N].load()(png, text);
  png_longjmp(png, 1);
}

template <size_t... N>
constexpr std::array<png_error_ptr, kSlots> MakeStandIns(std::index_sequence<N...>) {
  return {&JumpAfter<N>...};
}
constexpr std::array<png_error_ptr, kSlots> kStandIns = MakeStandIns(std::make_index_sequence<kSlots>{});

png_error_ptr StandInFor(png_error_ptr handler) {
  if (!handler) return nullptr;
  for (size_t i = 0; i < kSlots; ++i) {
    png_error_ptr expected = nullptr;
    if (handlers[i].compare_exchange_strong(expected, handler) || expected == handler) return kStandIns[i];
  }
  return handler;  // more handlers than slots: libpng prints, as it did
}

}  // namespace

bool PngCutShort(const std::filesystem::path& file, std::string& reason) {
  std::ifstream in(file, std::ios::binary);
  unsigned char head[8];
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const auto got = static_cast<size_t>(in.gcount());
  if (got == 0 || std::memcmp(head, kSignature, got) != 0) return false;
  if (got < sizeof head) {
    reason = "the file is cut short (truncated): it ends after " + std::to_string(got) + " bytes, inside the PNG signature";
    return true;
  }
  uint64_t at = sizeof head;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<uint64_t>(in.tellg());
  for (;;) {
    in.seekg(static_cast<std::streamoff>(at));
    unsigned char chunk[8];
    in.read(reinterpret_cast<char*>(chunk), sizeof chunk);
    if (in.gcount() < static_cast<std::streamsize>(sizeof chunk)) {
      reason = "the file is cut short (truncated): it ends after " + std::to_string(size) + " bytes, before its IEND chunk";
      return true;
    }
    // Length, type, data, CRC. A length beyond 2^31 - 1 is the reader's to refuse.
    const uint32_t length = BigEndian(chunk);
    if (length > 0x7FFFFFFFu) return false;
    const uint64_t end = at + 12 + length;
    if (end > size) {
      reason = "the file is cut short (truncated): it ends after " + std::to_string(size) + " bytes, inside " +
               ChunkName(chunk + 4) + " of " + std::to_string(length) + " bytes";
      return true;
    }
    if (std::memcmp(chunk + 4, "IEND", 4) == 0) return false;
    at = end;
  }
}

std::string TakePngWarnings() {
  std::string text;
  text.swap(messages);
  return text;
}

}  // namespace ombrel::host

// Every caller of libpng in this program that names handlers comes through here (the image
// library's readers and writers, Cairo's writer where it is linked): the definition in the program,
// or in the image library beside it, comes before libpng's own in the search order.
extern "C" __attribute__((visibility("default"))) void png_set_error_fn(png_structrp png, png_voidp errorPtr,
                                                                     png_error_ptr errorFn, png_error_ptr warningFn) {
  using SetErrorFn = void (*)(png_structrp, png_voidp, png_error_ptr, png_error_ptr);
  static const auto real = reinterpret_cast<SetErrorFn>(::dlsym(RTLD_NEXT, "png_set_error_fn"));
  if (!real) return;
  real(png, errorPtr, ombrel::host::StandInFor(errorFn), warningFn ? warningFn : &ombrel::host::KeepWarning);
}
