#include "undo.h"

namespace ombrel::host {

NodeFields NodeFields::Of(const HostNode& node) {
  NodeFields f;
  f.name = node.name;
  f.data = node.data;
  f.identity = node.identity;
  f.bits = node.bits;
  f.geometry = node.geometry;
  f.renderIndex = node.renderIndex;
  f.originSerial = node.originSerial;
  f.materialSerial = node.materialSerial;
  f.channelShaderSerial = node.channelShaderSerial;
  return f;
}

void NodeFields::ApplyTo(HostNode& node) const {
  node.name = name;
  node.data = data;
  node.identity = identity;
  node.bits = bits;
  node.geometry = geometry;
  node.renderIndex = renderIndex;
  node.originSerial = originSerial;
  node.materialSerial = materialSerial;
  node.channelShaderSerial = channelShaderSerial;
}

UndoHistory::UndoHistory() = default;
UndoHistory::~UndoHistory() = default;

bool UndoHistory::Start() {
  if (depth_++ == 0) open_ = std::make_unique<Step>();
  return true;
}

bool UndoHistory::Add(HostNode* doc, int32_t type, HostNode* node) {
  if (depth_ == 0 || !open_ || !node || node->kind == NodeKind::Document) return false;
  if (node->document != doc) return false;
  Record record;
  record.type = type;
  record.serial = node->serial;
  switch (type) {
    case HOST_UNDOTYPE_CHANGE:
      for (const Record& r : open_->records) {
        if (r.type == HOST_UNDOTYPE_CHANGE && r.serial == node->serial) return true;
      }
      record.before = NodeFields::Of(*node);
      break;
    case HOST_UNDOTYPE_NEW:
    case HOST_UNDOTYPE_DELETE:
      if (!PlaceOf(node, record.place)) return false;
      record.holderSerial = record.place.holder->serial;
      break;
    default:
      return false;
  }
  open_->records.push_back(std::move(record));
  return true;
}

bool UndoHistory::TakeRemoved(HostNode* node) {
  if (!open_ || !node) return false;
  for (Record& r : open_->records) {
    if (r.type != HOST_UNDOTYPE_DELETE || r.serial != node->serial || r.held) continue;
    if (!PlaceOf(node, r.place)) return false;
    r.holderSerial = r.place.holder->serial;
    r.held = Detach(node);
    if (r.held) r.held->heldByUndo = true;
    return r.held != nullptr;
  }
  return false;
}

bool UndoHistory::End() {
  if (depth_ == 0) return false;
  if (--depth_ > 0) return true;
  std::unique_ptr<Step> step = std::move(open_);
  auto& records = step->records;
  for (auto it = records.begin(); it != records.end();) {
    HostNode* node = FindLiveNode(it->serial);
    bool keep = node != nullptr;
    if (keep && it->type == HOST_UNDOTYPE_CHANGE) it->after = NodeFields::Of(*node);
    // A node recorded for deletion that was never removed, or a new one that is no longer
    // in a document, leaves nothing to undo.
    if (keep && it->type == HOST_UNDOTYPE_DELETE) keep = it->held != nullptr;
    if (keep && it->type == HOST_UNDOTYPE_NEW) keep = node->parent != nullptr;
    it = keep ? it + 1 : records.erase(it);
  }
  if (records.empty()) return true;
  done_.push_back(std::move(step));
  undone_.clear();
  return true;
}

bool UndoHistory::TakeOut(Record& r) {
  HostNode* node = FindLiveNode(r.serial);
  if (!node || !PlaceOf(node, r.place)) return false;
  r.holderSerial = r.place.holder->serial;
  r.held = Detach(node);
  if (r.held) r.held->heldByUndo = true;
  return r.held != nullptr;
}

bool UndoHistory::PutBack(Record& r) {
  // The holder may have gone in the meantime (freed outside undo): the node then stays held.
  HostNode* holder = FindLiveNode(r.holderSerial);
  if (!r.held || !holder) return false;
  r.place.holder = holder;
  return InsertAt(r.place, std::move(r.held)) != nullptr;
}

bool UndoHistory::Undo() {
  if (depth_ > 0 || done_.empty()) return false;
  std::unique_ptr<Step> step = std::move(done_.back());
  done_.pop_back();
  bool ok = true;
  for (auto it = step->records.rbegin(); it != step->records.rend(); ++it) {
    switch (it->type) {
      case HOST_UNDOTYPE_CHANGE:
        if (HostNode* node = FindLiveNode(it->serial)) it->before.ApplyTo(*node);
        else ok = false;
        break;
      case HOST_UNDOTYPE_NEW: ok = TakeOut(*it) && ok; break;
      case HOST_UNDOTYPE_DELETE: ok = PutBack(*it) && ok; break;
      default: break;
    }
  }
  undone_.push_back(std::move(step));
  return ok;
}

bool UndoHistory::Redo() {
  if (depth_ > 0 || undone_.empty()) return false;
  std::unique_ptr<Step> step = std::move(undone_.back());
  undone_.pop_back();
  bool ok = true;
  for (Record& r : step->records) {
    switch (r.type) {
      case HOST_UNDOTYPE_CHANGE:
        if (HostNode* node = FindLiveNode(r.serial)) r.after.ApplyTo(*node);
        else ok = false;
        break;
      case HOST_UNDOTYPE_NEW: ok = PutBack(r) && ok; break;
      case HOST_UNDOTYPE_DELETE: ok = TakeOut(r) && ok; break;
      default: break;
    }
  }
  done_.push_back(std::move(step));
  return ok;
}

UndoHistory* HistoryOf(HostNode* doc) {
  if (!doc || doc->kind != NodeKind::Document) return nullptr;
  if (!doc->undo) doc->undo = std::make_unique<UndoHistory>();
  return doc->undo.get();
}

}  // namespace ombrel::host
