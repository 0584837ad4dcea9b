#include "tavrel_texture_slots.h"

#include "Xtavrel_tiles.h"
#include "c4d_symbols.h"

namespace {

// The host's bitmap shader and its parameters: the image file and its interpolation.
constexpr LONG kBitmapShader = 5833;
constexpr LONG kBitmapFile = 1000;
constexpr LONG kBitmapInterpolation = 1002;
constexpr LONG kBitmapInterpolationValue = 7;

LONG SlotId(LONG index) { return TAVRELTILES_TEXTURE_SLOT + index; }

LONG StoredCount(const BaseContainer* bc) { return bc->GetLong(TAVRELTILES_TEXTURE_COUNT, 1); }

// Adds the extra slots to `temp`, which holds the shader's own description.
Bool AddSlotEntries(GeListNode* node, LONG pluginId, Description* temp, AtomArray* ar) {
  const BaseContainer* bc = static_cast<BaseList2D*>(node)->GetDataInstance();
  LONG count = StoredCount(bc);
  if (count < 1) count = 1;
  if (count > kMaxShownTextureSlots) count = kMaxShownTextureSlots;
  const BaseContainer* first = temp->GetParameterI(DescID(TAVRELTILES_TEXTURE, DTYPE_BASELISTLINK, pluginId), ar);
  if (!first) return FALSE;
  if (count == 1) return TRUE;
  // A copy, as the first slot's container moves while entries are added.
  BaseContainer* entry = BaseContainer::Alloc();
  if (!entry || !first->CopyTo(entry)) {
    BaseContainer::Free(entry);
    return FALSE;
  }
  const String base = GeLoadString(IDS_TAVRELTILES_SLOT_LABEL) + String(" ");
  const DescID group(TAVRELTILES_TEXTURE_GROUP, DTYPE_GROUP, pluginId);
  Bool ok = TRUE;
  for (LONG i = 1; ok && i < count; ++i) {
    const String label = base + String::LongToString(i);
    entry->SetString(DESC_NAME, label);
    entry->SetString(DESC_SHORT_NAME, label);
    entry->SetBool(DESC_DYNAMIC, TRUE);
    entry->SetBool(DESC_REMOVEABLE, TRUE);
    ok = temp->SetParameter(DescID(SlotId(i), DTYPE_BASELISTLINK, pluginId), *entry, group);
  }
  BaseContainer::Free(entry);
  return ok;
}

// Sets the count, inside an undo step of its own when it changes, so that the user can take
// back every change of the slot list.
void SetCountUndoable(BaseShader* sh, BaseDocument* doc, LONG count) {
  BaseContainer* bc = sh->GetDataInstance();
  if (StoredCount(bc) == count && bc->GetType(TAVRELTILES_TEXTURE_COUNT) == HOST_DA_LONG) return;
  const Bool step = doc && doc->StartUndo();
  if (step) doc->AddUndo(UNDOTYPE_CHANGE, sh);
  bc->SetLong(TAVRELTILES_TEXTURE_COUNT, count);
  if (step) doc->EndUndo();
}

void AddTexture(BaseShader* sh, BaseDocument* doc) {
  LONG count = StoredCount(sh->GetDataInstance()) + 1;
  if (count > kMaxShownTextureSlots) count = kMaxShownTextureSlots;
  if (count > 1) SetCountUndoable(sh, doc, count);
}

LONG RemainingCount(LONG count) {
  LONG next = count - 1;
  if (next < 1) next = 1;
  if (next > kMaxKeptTextureSlots) next = kMaxKeptTextureSlots;
  return next;
}

// Deletes a slot's shader from the scene inside the open undo step; FALSE when it could not be
// recorded, in which case it stays.
Bool DeleteLinkedShader(BaseDocument* doc, BaseShader* linked) {
  if (!doc->AddUndo(UNDOTYPE_DELETE, linked)) return FALSE;
  linked->Remove();
  BaseList2D* gone = linked;
  BaseList2D::Free(gone);
  return TRUE;
}

void RemoveLastTexture(BaseShader* sh, BaseDocument* doc) {
  BaseContainer* bc = sh->GetDataInstance();
  const LONG count = StoredCount(bc);
  const LONG next = RemainingCount(count);
  if (doc->StartUndo()) {
    if (doc->AddUndo(UNDOTYPE_CHANGE, sh)) {
      // Slot 3100 does not exist: with one slot left there is nothing to delete.
      BaseShader* linked =
          count > 1 ? static_cast<BaseShader*>(bc->GetLink(SlotId(count - 1), doc, HOST_BASETYPE_SHADER)) : nullptr;
      if (linked) DeleteLinkedShader(doc, linked);
      // Inside the step, so that redo brings the count back with the deletion.
      if (next != count) bc->SetLong(TAVRELTILES_TEXTURE_COUNT, next);
    }
    doc->EndUndo();
  }
  if (StoredCount(bc) != next) SetCountUndoable(sh, doc, next);
}

InitRenderStruct RenderSetUpOf(BaseDocument* doc) {
  InitRenderStruct irs{};
  irs.doc = doc;
  // The document travels with the record, and with it its path (1012) for the host to resolve
  // files against.
  const BaseContainer* dc = doc->GetDataInstance();
  irs.fps = static_cast<Real>(dc->GetLong(HOST_DOCUMENT_FPS, 30));
  irs.time = dc->GetReal(HOST_DOCUMENT_TIME, 0.0);
  irs.linear_workflow = FALSE;
  irs.thread_count = 1;
  return irs;
}

// The count after an import whose last image went into slot t: every slot up to t is shown,
// also when the dialog was cancelled (t = 1).
LONG CountAfterImport(const BaseContainer* bc, LONG t) {
  const LONG count = StoredCount(bc);
  return count > t + 1 ? count : t + 1;
}

// Imports every image of a folder the user picks into free slots, in the host's order, and sets
// the count to show them.
void ImportFolder(BaseShader* sh, BaseDocument* doc) {
  const InitRenderStruct irs = RenderSetUpOf(doc);
  BaseContainer* bc = sh->GetDataInstance();
  Filename folder;
  LONG t = 1;
  if (!folder.FileSelect(FILESELECTTYPE_IMAGES, FILESELECT_DIRECTORY, GeLoadString(IDS_TAVRELTILES_FOLDER_TITLE)) ||
      !doc->StartUndo()) {
    SetCountUndoable(sh, doc, CountAfterImport(bc, t));
    return;
  }
  if (!doc->AddUndo(UNDOTYPE_CHANGE, sh)) {
    doc->EndUndo();
    SetCountUndoable(sh, doc, CountAfterImport(bc, t));
    return;
  }
  BaseShader* spare = BaseShader::Alloc(kBitmapShader);
  BaseShader* pred = sh->GetFirstShader();
  BrowseFiles* browse = BrowseFiles::Alloc();
  if (browse && browse->Init(folder, 0)) {
    while (spare && browse->GetNext()) {
      const Filename name = browse->GetFilename();
      if (browse->IsDir() || !IsTextureFile(name)) continue;
      spare->GetDataInstance()->SetString(kBitmapFile, (folder + name.GetString()).GetString());
      // An image that cannot be prepared is skipped without a word; the spare is used again.
      if (spare->InitRender(irs) != INITRENDERRESULT_OK) continue;
      spare->FreeRender();
      sh->InsertShader(spare, pred);
      if (!doc->AddUndo(UNDOTYPE_NEW, spare)) {
        // Not recorded, so an undo could not take it out again: it leaves the scene at once.
        spare->Remove();
        break;
      }
      while (bc->GetLink(SlotId(t), doc, HOST_BASETYPE_SHADER)) ++t;
      bc->SetLink(SlotId(t), spare);
      spare->GetDataInstance()->SetLong(kBitmapInterpolation, kBitmapInterpolationValue);
      pred = spare;
      spare = BaseShader::Alloc(kBitmapShader);
    }
  }
  BrowseFiles::Free(browse);
  // The spare never stays in the scene, so it is ours to free.
  if (spare) {
    BaseList2D* unused = spare;
    BaseList2D::Free(unused);
  }
  // Inside the step, so that redo brings back the count with the slots.
  bc->SetLong(TAVRELTILES_TEXTURE_COUNT, CountAfterImport(bc, t));
  doc->EndUndo();
}

}  // namespace

Bool DescribeTextureSlots(GeListNode* node, LONG pluginId, Description* description, LONG& flags) {
  if (!node || !description) return FALSE;
  Description* temp = Description::Alloc();
  AtomArray* ar = AtomArray::Alloc();
  Bool ok = temp && ar && temp->LoadDescription(pluginId) && ar->Append(node);
  if (ok) ok = AddSlotEntries(node, pluginId, temp, ar);
  if (ok) {
    // A copy that fails ends the copying; what was copied stays.
    for (LONG i = 0; temp->CopyEntryTo(i, description); ++i) {
    }
    flags |= DESCFLAGS_DESC_LOADED;
  }
  AtomArray::Free(ar);
  Description::Free(temp);
  return ok;
}

Bool PressTextureSlotButton(BaseShader* sh, LONG button) {
  BaseDocument* doc = sh->GetDocument();
  if (!doc) return FALSE;
  switch (button) {
    case TAVRELTILES_ADD_TEXTURE:
      AddTexture(sh, doc);
      break;
    case TAVRELTILES_REMOVE_TEXTURE:
      RemoveLastTexture(sh, doc);
      break;
    case TAVRELTILES_LOAD_FOLDER:
      ImportFolder(sh, doc);
      sh->Message(MSG_UPDATE);
      EventAdd();
      break;
    default:
      break;
  }
  return TRUE;
}

void RemoveTextureSlotEntry(BaseShader* sh, const DescID& entry) {
  BaseContainer* bc = sh->GetDataInstance();
  const LONG count = StoredCount(bc);
  const LONG id = entry[0];
  // A slot is a link entry of the interface whether or not anything was ever linked in it.
  const HostDescLevel* level = entry.GetLevel(0);
  const bool isLink = (level && level->dtype == DTYPE_BASELISTLINK) || bc->GetType(id) == HOST_DA_LINK;
  if (id <= TAVRELTILES_TEXTURE_SLOT || count <= 1 || !isLink) return;
  BaseDocument* doc = sh->GetDocument();
  const LONG last = SlotId(count - 1);
  bool shifted = false;
  if (id <= last && doc && doc->StartUndo()) {
    if (doc->AddUndo(UNDOTYPE_CHANGE, sh)) {
      BaseShader* removed = static_cast<BaseShader*>(bc->GetLink(id, doc, HOST_BASETYPE_SHADER));
      if (!removed || DeleteLinkedShader(doc, removed)) {
        for (LONG k = id; k <= last; ++k) {
          bc->SetLink(k, bc->GetLink(k + 1, doc, HOST_BASETYPE_SHADER));
        }
        // Inside the step, so that redo brings the count back with the shifted slots.
        bc->SetLong(TAVRELTILES_TEXTURE_COUNT, count - 1);
        shifted = true;
      }
    }
    doc->EndUndo();
  }
  if (!shifted) SetCountUndoable(sh, doc, count - 1);
  if (shifted) EventAdd();
}

Bool IsTextureFile(const Filename& name) {
  static const char* const kSuffixes[] = {"png", "tif", "tiff", "hdr", "exr", "psd", "jpg", "tga",
                                          "bmp", "ies", "b3d", "avi", "mov", "iff", "jp2", "rpf",
                                          "psb", "sgi", "dpx", "qtif", "gif", "wav", "dvi"};
  for (const char* suffix : kSuffixes) {
    if (name.CheckSuffix(String(suffix))) return TRUE;
  }
  return FALSE;
}
