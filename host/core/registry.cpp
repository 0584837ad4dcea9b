#include "registry.h"

#include <algorithm>
#include <charconv>

#include "image_source.h"

namespace ombrel::host {
namespace {

std::filesystem::path PathOf(const std::string& file) {
  return std::filesystem::path(std::u8string(file.begin(), file.end()));
}

// Still images are read by the image reader; it never reads a file as a movie.
bool StillImageMovieInfo(const std::string&, int32_t&, double&) { return false; }

bool MovieMovieInfo(const std::string& file, int32_t& frameCount, double& fps) {
  if (file.empty()) return false;
  std::string error;
  const ImageCodec* codec = ImageCodecs(error);
  if (!codec || !codec->movieInfo) return false;
  int32_t frames = 0;
  double rate = 0.0;
  if (!codec->movieInfo(PathOf(file), frames, rate) || frames <= 0) return false;
  frameCount = frames;
  fps = rate;
  return true;
}

}  // namespace

Registry::Registry() {
  bitmapLoaders_.push_back(BitmapLoaderRecord{1100201, "still image loader", &StillImageMovieInfo});
  bitmapLoaders_.push_back(BitmapLoaderRecord{1100202, "movie loader", &MovieMovieInfo});
}

int32_t Registry::Count(int32_t pluginType) const {
  if (pluginType == HOST_PLUGINTYPE_BITMAPLOADER) return static_cast<int32_t>(bitmapLoaders_.size());
  return static_cast<int32_t>(std::count_if(plugins_.begin(), plugins_.end(),
                                            [pluginType](const auto& p) { return p->pluginType == pluginType; }));
}

void Registry::SetDescription(int32_t id, HostModule* module, std::shared_ptr<const Description> description) {
  descriptions_[id] = std::move(description);
  descriptionOwners_[id] = module;
}

std::shared_ptr<const Description> Registry::DescriptionOf(int32_t id) const {
  auto it = descriptions_.find(id);
  return it == descriptions_.end() ? nullptr : it->second;
}

bool Registry::Add(std::unique_ptr<PluginRecord> record) {
  if (!record || Find(record->id)) return false;
  record->description = DescriptionOf(record->id);
  plugins_.push_back(std::move(record));
  return true;
}

const PluginRecord* Registry::Find(int32_t id) const {
  for (const auto& p : plugins_) {
    if (p->id == id) return p.get();
  }
  return nullptr;
}

const PluginRecord* Registry::FindByName(std::string_view name) const {
  int32_t id = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), id);
  if (ec == std::errc() && end == name.data() + name.size()) return Find(id);
  for (const auto& p : plugins_) {
    if (p->descriptionName == name || p->name == name) return p.get();
  }
  return nullptr;
}

void Registry::DestroyToolInstances(HostModule* module) {
  for (auto& p : plugins_) {
    if (p->module == module && p->toolInstance) {
      p->toolClass.destroy(p->toolInstance);
      p->toolInstance = nullptr;
    }
  }
}

void Registry::RemoveModule(HostModule* module) {
  DestroyToolInstances(module);
  std::erase_if(plugins_, [module](const auto& p) { return p->module == module; });
  for (auto it = descriptions_.begin(); it != descriptions_.end();) {
    auto owner = descriptionOwners_.find(it->first);
    if (owner != descriptionOwners_.end() && owner->second == module) {
      descriptionOwners_.erase(owner);
      it = descriptions_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace ombrel::host
