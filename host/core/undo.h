// The undo history of a document: steps of recorded changes that undo and redo exactly.
//
// Rules, as modules and the editing commands rely on them:
//  - A step opens with StartUndo and closes with the EndUndo that matches it. A StartUndo inside
//    an open step only nests: its records join the outer step, and the step closes with the
//    outermost EndUndo. An EndUndo without an open step fails.
//  - AddUndo outside a step fails. Inside one it records, by type:
//      40 change: the node's parameters, name, bits and placement fields as they are now (call it
//         before changing them); undo puts them back, redo puts back what they were at EndUndo;
//      44 new:    a node just inserted (call it after inserting); undo takes it out, redo puts it
//         back at the same place;
//      45 delete: a node about to be removed (call it before `remove`); the step then owns the
//         removed node, which the module must not free (the host ignores such a free); undo puts
//         it back at its place, redo takes it out again.
//    Recording the same node twice with 40 in one step keeps the first record.
//  - A closed step without records is dropped. Closing a step clears the redo steps.
//  - Undo and redo keep node identities: links to the nodes of a step resolve again after it
//    comes back.
#ifndef OMBREL_HOST_UNDO_H
#define OMBREL_HOST_UNDO_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nodes.h"

namespace ombrel::host {

// What a change record restores: everything of a node but its place and its sub-nodes.
struct NodeFields {
  std::string name;
  HostContainer data;
  int32_t identity = 0;
  int32_t bits = 0;
  ObjectGeometry geometry;
  int32_t renderIndex = 0;
  uint64_t originSerial = 0;
  uint64_t materialSerial = 0;
  uint64_t channelShaderSerial = 0;

  static NodeFields Of(const HostNode& node);
  void ApplyTo(HostNode& node) const;
};

class UndoHistory {
 public:
  UndoHistory();
  ~UndoHistory();
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  bool Start();
  bool Add(HostNode* doc, int32_t type, HostNode* node);
  bool End();
  bool Open() const { return depth_ > 0; }

  // False when there is nothing to undo (or redo), or while a step is open.
  bool Undo();
  bool Redo();
  size_t UndoCount() const { return done_.size(); }
  size_t RedoCount() const { return undone_.size(); }

  // A node recorded for deletion in the open step is being removed: the step takes it.
  bool TakeRemoved(HostNode* node);

 private:
  struct Record {
    int32_t type = 0;
    uint64_t serial = 0;
    NodeFields before, after;
    NodePlace place;                 // new and delete: where the node sits in the document
    uint64_t holderSerial = 0;       // the place's holder, looked up again when it is used
    std::unique_ptr<HostNode> held;  // the node while the step keeps it out of the document
  };
  struct Step {
    std::vector<Record> records;
  };
  static bool TakeOut(Record& record);
  static bool PutBack(Record& record);

  int depth_ = 0;
  std::unique_ptr<Step> open_;
  std::vector<std::unique_ptr<Step>> done_;
  std::vector<std::unique_ptr<Step>> undone_;
};

// The document's history, made on first use; null for anything but a document.
UndoHistory* HistoryOf(HostNode* doc);

}  // namespace ombrel::host

#endif
