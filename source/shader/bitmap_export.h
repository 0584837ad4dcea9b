// Baking a shader into a picture file: the source picture's size, a render of the shader into
// a 24-bit bitmap and the save through the host's file dialog.
#ifndef OMBREL_SHADER_BITMAP_EXPORT_H
#define OMBREL_SHADER_BITMAP_EXPORT_H

#include "sdk.h"

// Copies the source shader's own picture (an image shader's) into target, which takes its size;
// target stays empty for a source without one. FALSE only without a target or when the
// source's render set-up fails.
Bool CopySourceBitmap(BaseShader* source, BaseBitmap* target, BaseDocument* doc);

// Renders `shader` into target as w × h pixels at 24 bits, row 0 first, one sample per pixel at
// (x / (w - 1), y / (h - 1)); an axis of one pixel samples coordinate 0. Each channel is clamped
// to [0, 1] (NaN as 0) and quantised as trunc(value × 255.999). FALSE only without a target or
// when the shader's render set-up fails; a bitmap the host cannot set up stays undrawn.
Bool RenderShaderToBitmap(BaseShader* shader, BaseBitmap* target, LONG w, LONG h, BaseDocument* doc);

// The export button of the UV transform shader: sizes the picture after the corner quad over
// the source picture, renders the shader, asks for a file and writes a TIFF there. A picture of
// no pixels stops before the dialog; a save that fails is reported in a message dialog.
void ExportTransformedPicture(BaseShader* shader);

#endif
