// What the channel shaders do alike with the host's messages: take over the shader that the host
// hands a new channel shader, and pass messages on to the shaders they link.
#ifndef OMBREL_SHADER_MESSAGES_H
#define OMBREL_SHADER_MESSAGES_H

#include <initializer_list>

#include "sdk.h"

// When `type` is the host's initial-channel hand-over (data: the shader that was in the channel
// before), inserts that shader under `sh`, links it at `linkId` and answers TRUE. The hand-over
// is then not passed on: the shader just taken over would take itself over. FALSE otherwise.
Bool TakeOverInitialChannel(BaseShader* sh, LONG linkId, LONG type, void* data);

// Passes a message on to the shaders linked at `linkIds`, resolved in sh's document, where there
// are any. `busy` is the calling shader's own flag, set while it passes a message on: shaders
// linked in a circle then pass it round once, not for ever. Messages arrive on the main thread.
void ForwardToLinkedShaders(BaseShader* sh, std::initializer_list<LONG> linkIds, LONG type, void* data, bool& busy);

// Passes a message on to the shader linked at `linkId`, if there is one; for shaders whose links
// are known only at run time, which keep their own guard against circles.
void ForwardToLinkedShader(BaseShader* sh, LONG linkId, LONG type, void* data);

#endif
