// Cut shader: treats its input image as an atlas of equal cells and shows one cell per object,
// chosen at random but reproducibly from the object's identity, so that many objects sharing one
// material show different pictures from one sheet. A map linked as the centre shader can choose
// the cell instead. When the user links a new texture, its image size is read into the shader's
// own width and height; a movie can be turned into an atlas on request.
// The macOS build has no cut shader.
#ifndef __APPLE__
#include <cmath>

#include "atlas_grid.h"
#include "main.h"
#include "numeric.h"
#include "object_cells.h"
#include "seeded_random.h"
#include "shader_messages.h"
#include "variation_key.h"
#include "xkestle_cut.h"

namespace {

constexpr LONG ID_KESTLESHADER = 1031438;
// The host's bitmap shader keeps its image file at this parameter.
constexpr LONG kBitmapFileParam = 1000;
// The texture-flag word of the overlay's alpha sample: the channel field (bits 6 to 9) set to
// the host's alpha channel, every other flag clear.
constexpr LONG kAlphaChannelFlags = HOST_CHANNEL_ALPHA << HOST_TEX_CHANNEL_SHIFT;
static_assert(kAlphaChannelFlags == 0x1c0, "alpha channel flag word");

BaseShader* SetUpInput(const BaseContainer* data, LONG id, const InitRenderStruct& irs) {
  BaseShader* input = static_cast<BaseShader*>(data->GetLink(id, irs.doc, HOST_BASETYPE_SHADER));
  if (input && input->InitRender(irs) != INITRENDERRESULT_OK) return nullptr;
  return input;
}

void ReleaseInput(BaseShader*& input) {
  if (input) input->FreeRender();
  input = nullptr;
}

bool IsOneLevelId(const DescID& id, LONG value) { return id.GetDepth() == 1 && id[0] == value; }

constexpr LONG kBitmapShaderType = 5833;
constexpr LONG kMaxAtlasSize = 8192;

// Writes the movie's first layout.placed frames, in reading order, each resized to one cell, into
// a new atlas picture and saves it as PNG. FALSE when a frame cannot be read or the file written.
Bool WriteMovieAtlas(const Filename& movie, const AtlasLayout& layout, const Filename& target) {
  BaseBitmap* atlas = BaseBitmap::Alloc();
  BaseBitmap* frame = BaseBitmap::Alloc();
  Bool ok = atlas && frame && atlas->Init(layout.width, layout.height);
  for (LONG k = 0; ok && k < layout.placed; ++k) {
    const LONG row = k / layout.columns;
    const LONG column = k - row * layout.columns;
    ok = frame->LoadMovieFrame(movie, k) &&
         frame->ScaleInto(atlas, column * layout.cellWidth, row * layout.cellHeight, layout.cellWidth, layout.cellHeight);
  }
  if (ok) ok = atlas->Save(target, FILTER_PNG, nullptr, SAVEBIT_0) == IMAGERESULT_OK;
  BaseBitmap::Free(frame);
  BaseBitmap::Free(atlas);
  return ok;
}

// Offers to turn a movie linked as the texture into an atlas of its frames. On yes and a file
// name: the atlas is written, a new bitmap shader reading it is linked as the texture, and the
// image and cell sizes follow the layout, all in one undo step. A no, a cancelled file dialog or a
// failure changes nothing (a failure is reported).
void OfferMovieAtlas(BaseShader* sh, const Filename& movie, LONG frames, const BaseBitmap* firstFrame) {
  if (!firstFrame) return;
  const AtlasLayout layout = MakeMovieAtlasLayout(firstFrame->GetBw(), firstFrame->GetBh(), frames, kMaxAtlasSize);
  if (!QuestionDialog(String("would you like to have this movie automatically converted to an icon pallet?"))) return;
  if (layout.placed <= 0) return;
  Filename target;
  if (!target.FileSelect(FILESELECTTYPE_IMAGES, FILESELECT_SAVE, String("Save the atlas to .."), String("png"))) return;
  if (!WriteMovieAtlas(movie, layout, target)) {
    MessageDialog(String("The atlas could not be written: ") + target.GetString());
    return;
  }
  BaseDocument* doc = sh->GetDocument();
  BaseShader* reader = BaseShader::Alloc(kBitmapShaderType);
  if (!reader) return;
  reader->GetDataInstance()->SetString(kBitmapFileParam, target.GetString());
  const Bool undo = doc && doc->StartUndo();
  if (undo) doc->AddUndo(UNDOTYPE_CHANGE, sh);
  sh->InsertShader(reader, nullptr);
  if (undo) doc->AddUndo(UNDOTYPE_NEW, reader);
  sh->GetDataInstance()->SetLink(KESTLECUT_TEXTURE, reader);
  sh->SetParameter(DescID(KESTLECUT_IMAGE_WIDTH), GeData(layout.width), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(KESTLECUT_IMAGE_HEIGHT), GeData(layout.height), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(KESTLECUT_CELL_WIDTH), GeData(layout.cellWidth), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(KESTLECUT_CELL_HEIGHT), GeData(layout.cellHeight), DESCFLAGS_SET_0);
  if (undo) doc->EndUndo();
}

}  // namespace

class KestleShader : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(KestleShader); }
  // Render set-ups belong to FreeRender; a host that never calls it still gets the table back.
  ~KestleShader() override { ForgetObjectCells(); }

  Bool Init(GeListNode* node) override;
  Bool Message(GeListNode* node, LONG type, void* data) override;
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override;
  void FreeRender(BaseShader* sh) override;
  Vector Output(BaseShader* sh, ChannelData* cd) override;

 private:
  void ApplyImageSize(BaseShader* sh);
  void ListObjectCells(const InitRenderStruct& irs);
  void ForgetObjectCells();
  LONG PickCell(ChannelData* cd) const;
  LONG DrawCell(LONG key) const;
  Vector CellStart(LONG cell) const;
  Bool CellFromCenterShader(ChannelData* cd, LONG& cell) const;

  DescID changedParam;  // the parameter named by the last parameter-set message
  BaseShader* texture = nullptr;
  BaseShader* centerShader = nullptr;
  BaseShader* overlay = nullptr;
  Real width = 0.0;
  Real height = 0.0;
  Real invWidth = 0.0;
  Real invHeight = 0.0;
  Real halfInvWidth = 0.0;
  Real halfInvHeight = 0.0;
  Real cellWidthPx = 0.0;
  Real cellHeightPx = 0.0;
  Real cellWidth = 0.0;
  Real cellHeight = 0.0;
  Real offsetU = 0.0;
  Real offsetV = 0.0;
  Real uScale = 0.0;  // cellWidth - halfInvWidth: the width of a cell's window
  Real vScale = 0.0;
  LONG columns = 0;
  LONG rows = 0;
  LONG cellCount = 0;
  // Each listed render object's cell start, so that a sample finds its cell in one lookup
  // instead of drawing it again.
  ObjectCells objectCells;
  // Set while a message is passed on to the inputs: shaders linked in a circle then pass it
  // round once, not for ever. Messages arrive on the main thread only.
  bool forwarding_ = false;
};

Bool KestleShader::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetLong(KESTLECUT_IMAGE_WIDTH, 1);
  data->SetLong(KESTLECUT_IMAGE_HEIGHT, 1);
  data->SetLong(KESTLECUT_CELL_WIDTH, 32);
  data->SetLong(KESTLECUT_CELL_HEIGHT, 32);
  data->SetLong(KESTLECUT_OFFSET_X, 0);
  data->SetLong(KESTLECUT_OFFSET_Y, 0);
  return TRUE;
}

Bool KestleShader::Message(GeListNode* node, LONG type, void* data) {
  BaseShader* sh = static_cast<BaseShader*>(node);
  if (TakeOverInitialChannel(sh, KESTLECUT_TEXTURE, type, data)) return TRUE;
  if (!forwarding_) {
    forwarding_ = true;
    for (LONG id : {KESTLECUT_TEXTURE, KESTLECUT_CENTER_SHADER, KESTLECUT_OVERLAY}) {
      ForwardToLinkedShader(sh, id, type, data);
    }
    forwarding_ = false;
  }

  if (type == MSG_DESCRIPTION_POSTSETPARAMETER) {
    const DescriptionPostSetValue* set = static_cast<const DescriptionPostSetValue*>(data);
    if (set && set->descid) changedParam = *set->descid;
  } else if (type == MSG_DESCRIPTION_CHECKUPDATE && IsOneLevelId(changedParam, KESTLECUT_TEXTURE)) {
    changedParam = DescID();
    ApplyImageSize(sh);
  }
  return TRUE;
}

// Reads the size of the picture now linked as the texture into 1004 and 1005. A still image
// gives its own size; a movie is offered as an atlas instead.
void KestleShader::ApplyImageSize(BaseShader* sh) {
  BaseShader* source = static_cast<BaseShader*>(sh->GetDataInstance()->GetLink(KESTLECUT_TEXTURE, nullptr,
                                                                                 HOST_BASETYPE_SHADER));
  if (!source) return;
  InitRenderStruct irs{};
  irs.doc = BaseDocument::GetActive();
  irs.time = 0.0;
  irs.fps = 30.0;
  irs.linear_workflow = FALSE;
  irs.thread_count = 1;
  if (source->InitRender(irs) == INITRENDERRESULT_OK) {
    const Filename file(source->GetDataInstance()->GetString(kBitmapFileParam));
    LONG frames = 0;
    Real fps = 0.0;
    Bool movie = FALSE;
    const LONG loaders = GetPluginCount(PLUGINTYPE_BITMAPLOADER);
    for (LONG i = 0; i < loaders && !movie; ++i) movie = BitmapLoaderMovieInfo(i, file, &frames, &fps);
    BaseBitmap* bitmap = source->GetBitmap();
    if (!movie && bitmap) {
      sh->SetParameter(DescID(KESTLECUT_IMAGE_WIDTH), GeData(bitmap->GetBw()), DESCFLAGS_SET_0);
      sh->SetParameter(DescID(KESTLECUT_IMAGE_HEIGHT), GeData(bitmap->GetBh()), DESCFLAGS_SET_0);
    } else if (movie) {
      OfferMovieAtlas(sh, file, frames, bitmap);
    }
  }
  source->FreeRender();
}

LONG KestleShader::InitRender(BaseShader* sh, const InitRenderStruct& irs) {
  const BaseContainer* data = sh->GetDataInstance();
  texture = SetUpInput(data, KESTLECUT_TEXTURE, irs);
  centerShader = SetUpInput(data, KESTLECUT_CENTER_SHADER, irs);
  overlay = SetUpInput(data, KESTLECUT_OVERLAY, irs);

  const LONG w = data->GetLong(KESTLECUT_IMAGE_WIDTH, 1);
  const LONG h = data->GetLong(KESTLECUT_IMAGE_HEIGHT, 1);
  const LONG cw = data->GetLong(KESTLECUT_CELL_WIDTH, 32);
  const LONG ch = data->GetLong(KESTLECUT_CELL_HEIGHT, 32);
  width = w;
  height = h;
  invWidth = 1.0 / width;
  invHeight = 1.0 / height;
  halfInvWidth = invWidth * 0.5;
  halfInvHeight = invHeight * 0.5;
  cellWidthPx = cw;
  cellHeightPx = ch;
  cellWidth = cellWidthPx * invWidth;
  cellHeight = cellHeightPx * invHeight;
  // Sizes of 0 or below from a stored scene leave no cells: the shader is black, and nothing
  // below divides by them.
  const AtlasGrid grid = MakeAtlasGrid(w, h, cw, ch);
  columns = grid.columns;
  rows = grid.rows;
  cellCount = grid.cellCount;
  offsetU = data->GetLong(KESTLECUT_OFFSET_X, 0) * invWidth;
  offsetV = data->GetLong(KESTLECUT_OFFSET_Y, 0) * invHeight;
  uScale = cellWidth - halfInvWidth;
  vScale = cellHeight - halfInvHeight;
  ListObjectCells(irs);
  return INITRENDERRESULT_OK;
}

// The cell an object's samples draw depends on the object alone (without a centre shader), so it
// is drawn here once for every render object the host lists. Samples on objects it does not list
// draw their cell themselves, with the same result.
void KestleShader::ListObjectCells(const InitRenderStruct& irs) {
  ForgetObjectCells();
  if (centerShader || cellCount <= 0) return;
  LONG count = 0;
  const RayObject* const* objects = GetRenderObjects(irs, &count);
  const uint32_t slots = objects ? ObjectCells::SlotsFor(count) : 0;
  if (slots == 0) return;
  void* memory = GeAlloc(static_cast<VLONG>(sizeof(ObjectCells::Cell)) * static_cast<VLONG>(slots));
  if (!memory) return;  // each sample draws its cell instead
  objectCells.Attach(static_cast<ObjectCells::Cell*>(memory), count);
  for (LONG i = 0; i < count; ++i) {
    if (!objects[i]) continue;
    const Vector start = CellStart(DrawCell(ObjectVariationKey(objects[i])));
    objectCells.Insert(objects[i], start.x, start.y);
  }
}

void KestleShader::ForgetObjectCells() {
  if (ObjectCells::Cell* memory = objectCells.Detach()) GeFree(memory);
}

void KestleShader::FreeRender(BaseShader* sh) {
  (void)sh;
  ForgetObjectCells();
  ReleaseInput(texture);
  ReleaseInput(centerShader);
  ReleaseInput(overlay);
}

// The object's cell. A map linked as the centre shader chooses it by its brightness at the centre
// of the hit polygon (a gradient across a wall of objects then orders their cells); otherwise it
// is drawn from the variation key, which counts the object's identity only, so every polygon of
// one object shows the same cell.
LONG KestleShader::PickCell(ChannelData* cd) const {
  LONG cell = 0;
  if (centerShader && CellFromCenterShader(cd, cell)) return cell;
  return DrawCell(VariationKey(0, cd->vd));
}

LONG KestleShader::DrawCell(LONG key) const {
  SeededRandom rnd;
  rnd.Init(key);
  rnd.Get01();  // the first draw is discarded, so keys close together do not start alike
  const Real r = rnd.Get01();
  return PickAtlasCell(r, key, cellCount);
}

// Where the window of a cell starts: half a texel inside its top left corner.
Vector KestleShader::CellStart(LONG cell) const {
  const LONG row = cell / columns;
  const LONG column = cell - row * columns;
  const Real uStart = column * cellWidth + offsetU;
  const Real vStart = row * cellHeight + offsetV;
  return Vector(uStart + halfInvWidth, vStart + halfInvHeight, 0.0);
}

// Samples the centre shader at the texture coordinate of the hit polygon's centre (the mean of
// its four corners); the mean of red, green and blue chooses the cell. cd->p is left at that
// coordinate: the caller overwrites u and v, and the atlas is sampled with the centre's w. FALSE,
// with cd->p unchanged, when the host gives no geometry or projection, or the mean is NaN.
Bool KestleShader::CellFromCenterShader(ChannelData* cd, LONG& cell) const {
  const RayObject* ro = cd->vd->GetLastHitObject();
  if (!ro) return FALSE;
  LONG pointCount = 0;
  LONG polygonCount = 0;
  const Vector* points = ro->GetPoints(&pointCount);
  const CPolygon* polygons = ro->GetPolygons(&polygonCount);
  const LONG polygon = cd->vd->GetLastPolygon();
  if (!points || !polygons || polygon < 0 || polygon >= polygonCount) return FALSE;
  const CPolygon& q = polygons[polygon];
  for (LONG index : {q.a, q.b, q.c, q.d}) {
    if (index < 0 || index >= pointCount) return FALSE;
  }
  const Vector centre = (points[q.a] + points[q.b] + points[q.c] + points[q.d]) * 0.25;
  Vector uvw;
  if (!ro->GetTextureCoordinate(centre, &uvw)) return FALSE;
  const Vector p = cd->p;
  cd->p = uvw;
  const Vector s = centerShader->Sample(cd);
  if (!AtlasCellFromValue((s.x + s.y + s.z) * 0.3333333333333333, cellCount, cell)) {
    cd->p = p;
    return FALSE;
  }
  return TRUE;
}

Vector KestleShader::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  if (cellCount <= 0) return Vector(0.0);
  const Vector p = cd->p;

  LONG polygon = -1;
  const RayObject* hit = cd->vd ? cd->vd->GetLastHit(&polygon) : nullptr;
  if (cd->vd && polygon != -1) {
    // The table is empty while a centre shader chooses the cells.
    if (const ObjectCells::Cell* listed = objectCells.Find(hit)) {
      cd->p.x = listed->u + p.x * uScale;
      cd->p.y = listed->v + p.y * vScale;
    } else {
      const Vector start = CellStart(PickCell(cd));
      cd->p.x = start.x + p.x * uScale;
      cd->p.y = start.y + p.y * vScale;
    }
  }

  Vector colour(0.5, 0.5, 0.5);
  if (texture) colour = texture->Sample(cd);
  cd->p = p;

  if (overlay) {
    const Vector o = overlay->Sample(cd);
    const LONG texflag = cd->texflag;
    cd->texflag = kAlphaChannelFlags;
    const Vector m = overlay->Sample(cd);
    cd->texflag = texflag;
    const Real weight = ombrel::Clamp01((m.y + m.x + m.z) * 0.3333333333333333);
    colour = texture ? colour * (1.0 - weight) + o * weight : o;
  }
  return colour;
}

Bool RegisterKestleShader() {
  return RegisterShaderPlugin(ID_KESTLESHADER, GeLoadString(IDS_KESTLECUT), 0, KestleShader::Alloc, "xkestle_cut", 0);
}

#endif  // __APPLE__
