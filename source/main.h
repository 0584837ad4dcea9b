// Module-wide declarations: the globals of the plug-in set and each plug-in's registration.
#ifndef OMBREL_MAIN_H
#define OMBREL_MAIN_H

#include "c4d_symbols.h"
#include "sdk.h"

// Path of the module file, copied at the first system init; null when it could not be kept.
extern Filename* gModulePath;

// Link from the UV transform shader to the UV transform tool: the shader points it at itself
// before starting the tool, the tool reads it when it starts. Lives from the shader's
// registration until plug-in end.
extern BaseLink* gTransformShaderLink;

// Registration of each plug-in; each lives at the end of its plug-in's source file.
Bool RegisterTavrelTiles();
Bool RegisterGlentShader();
Bool RegisterKestleShader();
Bool RegisterXvarnel();
Bool RegisterUvPickerTool();

#endif
