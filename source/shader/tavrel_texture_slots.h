// The tile shader's texture list as the user edits it: the extra link slots shown in its
// interface, the buttons that add, remove and import slots, and the removal of one slot.
// Main thread only; nothing here touches render state.
#ifndef OMBREL_TAVREL_TEXTURE_SLOTS_H
#define OMBREL_TAVREL_TEXTURE_SLOTS_H

#include "sdk.h"

// Most slots the interface shows (slot 1100 and 99 extra ones) and the add button reaches.
constexpr LONG kMaxShownTextureSlots = 100;
// Most slots the remove button keeps.
constexpr LONG kMaxKeptTextureSlots = 1024;

// Fills `description` with the shader's own description plus one link entry per extra slot.
// On failure answers FALSE and leaves `description` as it was.
Bool DescribeTextureSlots(GeListNode* node, LONG pluginId, Description* description, LONG& flags);

// Button presses (message 18) of the slot buttons. FALSE without a document, else TRUE.
Bool PressTextureSlotButton(BaseShader* sh, LONG button);

// The user removed an entry of the interface (message 24).
void RemoveTextureSlotEntry(BaseShader* sh, const DescID& entry);

// Whether a file name carries one of the image suffixes the folder import accepts.
Bool IsTextureFile(const Filename& name);

#endif
