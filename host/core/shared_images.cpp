#include "shared_images.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <system_error>

#include "pfm_file.h"

namespace ombrel::host {
namespace {

struct Entry {
  std::weak_ptr<const SourceImage> image;
  uint64_t bytes = 0;
};

struct Cache {
  std::mutex mutex;
  // By path, modification time and size: a picture of a file's earlier version stays counted
  // while someone holds it.
  std::map<std::string, Entry> entries;
  uint64_t budget = 0;
  bool budgetSet = false;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > std::numeric_limits<uint64_t>::max() / a) return std::numeric_limits<uint64_t>::max();
  return a * b;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max() : a + b;
}

// Forgets pictures nobody holds and sums the rest. Caller holds the mutex.
uint64_t LiveBytes(Cache& cache) {
  uint64_t total = 0;
  for (auto it = cache.entries.begin(); it != cache.entries.end();) {
    if (it->second.image.expired()) {
      it = cache.entries.erase(it);
    } else {
      total = SaturatingAdd(total, it->second.bytes);
      ++it;
    }
  }
  return total;
}

// The budget when nobody set one: the environment's, else the default. A value that cannot be
// read leaves the default in force; the command line checks the variable itself and says so.
uint64_t InitialBudget() {
  uint64_t bytes = kDefaultImageBudget;
  if (const char* text = std::getenv(kImageBudgetVariable)) {
    std::string ignored;
    if (!ParseByteCount(text, bytes, ignored)) bytes = kDefaultImageBudget;
  }
  return bytes;
}

uint64_t BudgetLocked(Cache& cache) {
  if (!cache.budgetSet) {
    cache.budget = InitialBudget();
    cache.budgetSet = true;
  }
  return cache.budget;
}

std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

}  // namespace

void SetImageBudget(uint64_t bytes) {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.budget = bytes;
  cache.budgetSet = true;
}

uint64_t ImageBudget() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  return BudgetLocked(cache);
}

uint64_t DecodeCost(const ImageHeader& header) {
  const uint64_t pixels = SaturatingMul(static_cast<uint64_t>(header.width > 0 ? header.width : 0),
                                        static_cast<uint64_t>(header.height > 0 ? header.height : 0));
  const uint64_t sample = BytesPerSample(header.depth);
  const uint64_t kept = SaturatingMul(pixels, 3 * sample);
  const uint64_t fileSamples = SaturatingMul(pixels, SaturatingMul(static_cast<uint64_t>(header.channels > 0 ? header.channels : 0), sample));
  return SaturatingAdd(kept, fileSamples);
}

std::shared_ptr<const SourceImage> AcquireImage(const std::filesystem::path& file, std::string& error) {
  const std::string name = file.string();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = "cannot read image " + Quoted(file) + ": no such file";
    return nullptr;
  }
  if (std::filesystem::is_directory(status)) {
    error = "cannot read image " + Quoted(file) + ": a folder, not an image file";
    return nullptr;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = "cannot read image " + Quoted(file) + ": not a regular file";
    return nullptr;
  }
  const auto modified = std::filesystem::last_write_time(file, ec);
  const uintmax_t fileSize = ec ? 0 : std::filesystem::file_size(file, ec);
  std::filesystem::path path = std::filesystem::absolute(file, ec).lexically_normal();
  if (ec) path = file;
  const std::string key = path.string() + '\n' + std::to_string(modified.time_since_epoch().count()) + '\n' +
                          std::to_string(fileSize);

  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto found = cache.entries.find(key);
  if (found != cache.entries.end()) {
    if (auto image = found->second.image.lock()) return image;
  }

  // PFM needs no image library: the host reads it itself, the same way on every platform.
  auto probe = &ProbePfm;
  auto decode = &DecodePfm;
  if (!IsPfmFile(file)) {
    const ImageCodec* codec = ImageCodecs(error);
    if (!codec) {
      error = "cannot read image " + Quoted(file) + ": " + error;
      return nullptr;
    }
    probe = codec->probe;
    decode = codec->decode;
  }
  ImageHeader header;
  if (!probe(file, header, error)) return nullptr;
  if (header.width <= 0 || header.height <= 0 || header.channels <= 0) {
    error = "cannot read image " + Quoted(file) + ": it claims a size of " + std::to_string(header.width) + " x " +
            std::to_string(header.height) + " with " + std::to_string(header.channels) + " channels";
    return nullptr;
  }
  const uint64_t budget = BudgetLocked(cache);
  const uint64_t inUse = LiveBytes(cache);
  const uint64_t cost = DecodeCost(header);
  if (SaturatingAdd(inUse, cost) > budget) {
    error = "cannot read image " + Quoted(file) + ": it claims " + std::to_string(header.width) + " x " +
            std::to_string(header.height) + " pixels, which need " + ByteCountText(cost) +
            " to decode, over the image budget of " + ByteCountText(budget) +
            (inUse ? " (" + ByteCountText(inUse) + " in use)" : std::string()) + "; raise it with --image-budget or " +
            kImageBudgetVariable;
    return nullptr;
  }
  auto image = std::make_shared<SourceImage>();
  if (!decode(file, header, *image, error)) return nullptr;
  if (!image->Valid()) {
    error = "cannot read image " + Quoted(file) + ": the image library returned a picture that does not match its header";
    return nullptr;
  }
  Entry& entry = cache.entries[key];
  entry.image = image;
  entry.bytes = image->Bytes();
  return image;
}

uint64_t DecodedImageBytes() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  return LiveBytes(cache);
}

bool ParseByteCount(std::string_view text, uint64_t& bytes, std::string& error) {
  size_t i = 0;
  uint64_t value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
      error = "\"" + std::string(text) + "\" is too large";
      return false;
    }
    value = value * 10 + digit;
    ++i;
  }
  if (i == 0) {
    error = "expected a byte count such as 512M or 2G, not \"" + std::string(text) + "\"";
    return false;
  }
  std::string suffix;
  for (; i < text.size(); ++i) suffix += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  int shift = -1;
  if (suffix.empty() || suffix == "B") shift = 0;
  for (const auto& [letter, power] : {std::pair{'K', 10}, {'M', 20}, {'G', 30}, {'T', 40}}) {
    const std::string l(1, letter);
    if (suffix == l || suffix == l + "B" || suffix == l + "IB") shift = power;
  }
  if (shift < 0) {
    error = "expected a byte count such as 512M or 2G, not \"" + std::string(text) + "\"";
    return false;
  }
  if (shift > 0 && value > (std::numeric_limits<uint64_t>::max() >> shift)) {
    error = "\"" + std::string(text) + "\" is too large";
    return false;
  }
  bytes = value << shift;
  return true;
}

std::string ByteCountText(uint64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 5) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 10.0 && value != static_cast<double>(static_cast<int64_t>(value)) ? "%.1f %s" : "%.0f %s",
                value, kUnits[unit]);
  return text;
}

}  // namespace ombrel::host
