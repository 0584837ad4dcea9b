#include "bitmap_export.h"

#include "Xtransform.h"
#include "c4d_symbols.h"
#include "corner_sizes.h"
#include "numeric.h"

namespace {

// The largest factor that keeps 1.0 at 255 after truncation, as 8-bit pictures are quantised.
constexpr double kQuantise = 255.99899291992188;

InitRenderStruct RenderSetUpFor(BaseDocument* doc) {
  InitRenderStruct irs{};
  irs.doc = doc;
  irs.time = 0.0;
  irs.fps = 0.0;
  if (doc) irs.fps = doc->GetDataInstance()->GetLong(DOCUMENT_FPS, 0);
  irs.linear_workflow = FALSE;
  irs.thread_count = 1;  // the bake samples on the calling thread only
  return irs;
}

LONG Code(Real value) { return static_cast<LONG>(ombrel::Clamp01(value) * kQuantise); }

ombrel::CornerUv CornerOf(const BaseContainer* bc, LONG id) {
  const Vector c = bc->GetVector(id, Vector(0.0, 0.0, 0.0));
  return ombrel::CornerUv{c.x, c.y};
}

}  // namespace

Bool CopySourceBitmap(BaseShader* source, BaseBitmap* target, BaseDocument* doc) {
  if (!source || !target) return FALSE;
  const InitRenderStruct irs = RenderSetUpFor(doc);
  if (source->InitRender(irs) != INITRENDERRESULT_OK) return FALSE;
  if (BaseBitmap* own = source->GetBitmap()) own->CopyTo(target);
  source->FreeRender();
  return TRUE;
}

Bool RenderShaderToBitmap(BaseShader* shader, BaseBitmap* target, LONG w, LONG h, BaseDocument* doc) {
  if (!shader || !target) return FALSE;
  const InitRenderStruct irs = RenderSetUpFor(doc);
  if (shader->InitRender(irs) != INITRENDERRESULT_OK) return FALSE;
  if (target->Init(w, h, 24) == TRUE) {
    ChannelData cd{};
    cd.p = Vector(0.0, 0.0, 0.0);
    cd.n = Vector(0.0, 1.0, 0.0);
    cd.d = Vector(0.5 / w, 0.5 / h, 0.0);
    cd.t = doc ? doc->GetTime().Get() : 0.0;
    cd.texflag = HOST_TEX_TILE | HOST_TEX_MIRROR;
    cd.vd = nullptr;
    // One pixel along an axis has no step between first and last: it samples coordinate 0.
    const Real su = w > 1 ? 1.0 / (w - 1) : 0.0;
    const Real sv = h > 1 ? 1.0 / (h - 1) : 0.0;
    for (LONG y = 0; y < h; ++y) {
      for (LONG x = 0; x < w; ++x) {
        cd.p = Vector(x * su, y * sv, 0.0);
        const Vector c = shader->Sample(&cd);
        target->SetPixel(x, y, Code(c.x), Code(c.y), Code(c.z));
      }
    }
  }
  shader->FreeRender();
  return TRUE;
}

void ExportTransformedPicture(BaseShader* shader) {
  if (!shader) return;
  BaseDocument* doc = shader->GetDocument();
  const BaseContainer* data = shader->GetDataInstance();
  BaseShader* source = static_cast<BaseShader*>(data->GetLink(XTRANSFORM_SHADER, doc, HOST_BASETYPE_SHADER));
  if (!source) return;
  BaseBitmap* picture = BaseBitmap::Alloc();
  if (!picture) return;
  if (!CopySourceBitmap(source, picture, doc)) {
    BaseBitmap::Free(picture);
    return;
  }
  const ombrel::CornerUv corners[4] = {CornerOf(data, XTRANSFORM_CORNER1), CornerOf(data, XTRANSFORM_CORNER2),
                                       CornerOf(data, XTRANSFORM_CORNER3), CornerOf(data, XTRANSFORM_CORNER4)};
  const ombrel::PixelSize size = ombrel::ExportPictureSize(corners, picture->GetBw(), picture->GetBh());
  // A picture without pixels (a source with no picture of its own, corners that collapse) has
  // nothing to save: stop before asking for a file.
  if (size.width <= 0 || size.height <= 0) {
    BaseBitmap::Free(picture);
    return;
  }
  BaseBitmap* output = BaseBitmap::Alloc();
  if (!output || !RenderShaderToBitmap(shader, output, size.width, size.height, doc)) {
    BaseBitmap::Free(output);
    BaseBitmap::Free(picture);
    return;
  }
  Filename file;
  if (file.FileSelect(FILESELECTTYPE_IMAGES, FILESELECT_SAVE, String("Save Image to .."), String("tiff"))) {
    if (output->Save(file, FILTER_TIF, nullptr, SAVEBIT_0) != IMAGERESULT_OK) {
      // The user chose a file and expects a picture there: a failure must not pass in silence.
      String message = GeLoadString(IDS_XTRANSFORM_SAVE_FAILED);
      message += file.GetString();
      MessageDialog(message);
    }
  }
  BaseBitmap::Free(output);
  BaseBitmap::Free(picture);
}
