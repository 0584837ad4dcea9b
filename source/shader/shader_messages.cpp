#include "shader_messages.h"

Bool TakeOverInitialChannel(BaseShader* sh, LONG linkId, LONG type, void* data) {
  if (type != MSG_INITIALCHANNEL || !data) return FALSE;
  BaseShader* previous = static_cast<BaseShader*>(data);
  sh->InsertShader(previous);
  sh->GetDataInstance()->SetLink(linkId, previous);
  return TRUE;
}

void ForwardToLinkedShader(BaseShader* sh, LONG linkId, LONG type, void* data) {
  const BaseContainer* bc = sh->GetDataInstance();
  BaseShader* input = static_cast<BaseShader*>(bc->GetLink(linkId, sh->GetDocument(), HOST_BASETYPE_SHADER));
  if (input) input->Message(type, data);
}

void ForwardToLinkedShaders(BaseShader* sh, std::initializer_list<LONG> linkIds, LONG type, void* data, bool& busy) {
  if (busy) return;
  busy = true;
  for (LONG id : linkIds) ForwardToLinkedShader(sh, id, type, data);
  busy = false;
}
