#include "macho_export_trie.h"

#include <unordered_set>

namespace ombrel::host::macho {
namespace {

// Every edge adds at least one byte to a name, so the name limit also bounds the depth of the
// walk; the total keeps a small trie of long shared prefixes from growing into gigabytes of
// names.
constexpr size_t kMaxNameLength = 16384;
constexpr uint64_t kMaxNameBytes = uint64_t{64} << 20;

std::string At(uint64_t offset) { return "the export trie's node at byte " + std::to_string(offset); }

// A node's children still to walk: where the next edge starts, how many are left, and the
// length of the node's own name.
struct Frame {
  uint64_t next;
  uint64_t left;
  size_t nameLength;
};

class Walk {
 public:
  Walk(const ImageBytes& trie, std::vector<TrieExport>& exports, std::string& reason)
      : trie_(trie), exports_(exports), reason_(reason) {}

  bool Run() {
    if (!Visit(0)) return false;
    while (!stack_.empty()) {
      Frame& frame = stack_.back();
      if (frame.left == 0) {
        stack_.pop_back();
        continue;
      }
      --frame.left;
      name_.resize(frame.nameLength);
      uint64_t child = 0;
      if (!Edge(frame.next, child)) return false;
      // Visit pushes a frame: `frame` is not used after it.
      if (!Visit(child)) return false;
    }
    return true;
  }

 private:
  // Reads the edge at `at` (its label and the child's offset), adds the label to the name and
  // moves `at` past the edge.
  bool Edge(uint64_t& at, uint64_t& child) {
    const uint64_t start = at;
    std::string label;
    if (!trie_.CString(at, trie_.Size(), label, kMaxNameLength)) {
      reason_ = "the export trie's edge at byte " + std::to_string(start) + " has a label without an end";
      return false;
    }
    if (label.empty()) {
      reason_ = "the export trie's edge at byte " + std::to_string(start) + " has an empty label";
      return false;
    }
    at += label.size() + 1;
    if (!trie_.Uleb(at, trie_.Size(), child)) {
      reason_ = "the export trie's edge at byte " + std::to_string(start) + " has a child offset that does not end";
      return false;
    }
    if (child >= trie_.Size()) {
      reason_ = "the export trie's edge at byte " + std::to_string(start) + " leads to byte " + std::to_string(child) +
                ", past the trie's " + std::to_string(trie_.Size()) + " bytes";
      return false;
    }
    if (name_.size() + label.size() > kMaxNameLength) {
      reason_ = "the export trie holds a name longer than " + std::to_string(kMaxNameLength) + " bytes";
      return false;
    }
    name_ += label;
    return true;
  }

  // Records the node's export, if it has one, and pushes its children.
  bool Visit(uint64_t at) {
    if (!visited_.insert(at).second) {
      reason_ = At(at) + " is reached a second time: the trie loops";
      return false;
    }
    uint64_t p = at;
    uint64_t infoSize = 0;
    if (!trie_.Uleb(p, trie_.Size(), infoSize) || infoSize >= trie_.Size() - p) {
      reason_ = At(at) + " runs past the end of the trie";
      return false;
    }
    if (infoSize > 0) {
      uint64_t q = p;
      uint64_t flags = 0;
      if (!trie_.Uleb(q, p + infoSize, flags)) {
        reason_ = At(at) + " has flags that do not end inside its export information";
        return false;
      }
      names_ += name_.size();
      if (names_ > kMaxNameBytes) {
        reason_ = "the export trie's names come to more than " + std::to_string(kMaxNameBytes) + " bytes";
        return false;
      }
      exports_.push_back(TrieExport{name_, flags});
    }
    p += infoSize;  // the child count: the check above leaves it inside the trie
    stack_.push_back(Frame{p + 1, trie_.U(p, 1), name_.size()});
    return true;
  }

  const ImageBytes& trie_;
  std::vector<TrieExport>& exports_;
  std::string& reason_;
  std::unordered_set<uint64_t> visited_;
  std::vector<Frame> stack_;
  std::string name_;
  uint64_t names_ = 0;
};

}  // namespace

bool ReadExportTrie(const ImageBytes& image, uint64_t offset, uint64_t size, std::vector<TrieExport>& exports,
                    std::string& reason) {
  exports.clear();
  if (size == 0) return true;
  if (!image.Holds(offset, size)) {
    reason = "the export trie (bytes " + std::to_string(offset) + " to " + std::to_string(offset + size) +
             ") lies outside the file";
    return false;
  }
  const ImageBytes trie(image.Data() + offset, static_cast<size_t>(size));
  return Walk(trie, exports, reason).Run();
}

}  // namespace ombrel::host::macho
