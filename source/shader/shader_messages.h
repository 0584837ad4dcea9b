// What the channel shaders do alike with the host's messages: take over the shader that the host
// hands a new channel shader, and pass messages on to the shaders they link.
#ifndef OMBREL_SHADER_MESSAGES_H
#define OMBREL_SHADER_MESSAGES_H

#include "sdk.h"

// When `type` is the host's initial-channel hand-over (data: the shader that was in the channel
// before), inserts that shader under `sh`, links it at `linkId` and answers TRUE. The hand-over
// is then not passed on: the shader just taken over would take itself over. FALSE otherwise.
Bool TakeOverInitialChannel(BaseShader* sh, LONG linkId, LONG type, void* data);

// Passes a message on to the shader linked at `linkId`, resolved in sh's document, if there is one.
void ForwardToLinkedShader(BaseShader* sh, LONG linkId, LONG type, void* data);

#endif
