#include "source_preview.h"

#include "Xtransform.h"
#include "tool_corners.h"
#include "tool_geometry.h"

namespace uvtool {

namespace {

// The render set-up of a preview: time 0, the document's frame rate. This host's record has
// no field for the set-up flags, the interface version or the document's path; the samples are
// taken on the calling thread only.
InitRenderStruct PreviewSetUp(BaseDocument* doc) {
  InitRenderStruct irs{};
  irs.doc = doc;
  irs.time = 0.0;
  irs.fps = doc ? doc->GetDataInstance()->GetLong(DOCUMENT_FPS, 0) : 0;
  irs.linear_workflow = FALSE;
  irs.thread_count = 1;
  return irs;
}

// A source that holds a bitmap of its own is copied at that bitmap's size. It is set up as a
// clone, so that the set-up cannot touch the scene's own source.
BaseBitmap* CopyOwnBitmap(BaseShader* source, BaseBitmap* target, BaseDocument* doc) {
  AliasTrans* trans = AliasTrans::Alloc();
  if (trans && !trans->Init(doc)) AliasTrans::Free(trans);
  BaseShader* clone = reinterpret_cast<BaseShader*>(source->GetClone(COPYFLAGS_0, trans));
  BaseBitmap* result = nullptr;
  if (clone) {
    if (trans) trans->Translate(TRUE);
    if (clone->InitRender(PreviewSetUp(doc)) == INITRENDERRESULT_OK) {
      BaseBitmap* own = clone->GetBitmap();
      if (own && own->CopyTo(target)) result = target;
      clone->FreeRender();
    }
    BaseList2D* node = clone;
    BaseList2D::Free(node);
  }
  AliasTrans::Free(trans);
  return result;
}

// Any other source is sampled at the grid's points, u along the rows and v down the columns.
BaseBitmap* SampleSource(BaseShader* source, BaseBitmap* target, BaseDocument* doc) {
  if (source->InitRender(PreviewSetUp(doc)) != INITRENDERRESULT_OK) return nullptr;
  const LONG size = ombrel::kPreviewGrid;
  const Bool made = target->Init(size, size, 24);
  if (made) {
    ChannelData cd{};
    cd.n = Vector(0.0, 1.0, 0.0);
    cd.d = Vector(0.00048828125, 0.00048828125, 0.0);  // half a pixel of the grid
    cd.t = doc ? doc->GetTime().Get() : 0.0;
    cd.texflag = HOST_TEX_TILE | HOST_TEX_MIRROR;
    cd.vd = nullptr;
    const Real s = ombrel::kPreviewStep;
    for (LONG i = 0; i < size; ++i) {
      for (LONG j = 0; j < size; ++j) {
        cd.p = Vector(j * s, i * s, 0.0);
        const Vector c = source->Sample(&cd);
        target->SetPixel(j, i, ombrel::QuantisePreview(c.x), ombrel::QuantisePreview(c.y),
                         ombrel::QuantisePreview(c.z));
      }
    }
  }
  source->FreeRender();
  // A grid the bitmap could not take leaves no picture rather than an empty one.
  return made ? target : nullptr;
}

}  // namespace

BaseBitmap* RenderSourcePreview(BaseBitmap* target, const BaseContainer& settings, BaseDocument* doc) {
  if (!target) return nullptr;
  BaseShader* shader = EditedShader(settings, doc);
  if (!shader) return nullptr;
  BaseShader* source =
      static_cast<BaseShader*>(shader->GetDataInstance()->GetLink(XTRANSFORM_SHADER, doc, HOST_BASETYPE_SHADER));
  if (!source) return nullptr;
  if (BaseBitmap* copied = CopyOwnBitmap(source, target, doc)) return copied;
  return SampleSource(source, target, doc);
}

}  // namespace uvtool
