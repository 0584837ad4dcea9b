// UV transform shader: samples a linked source shader through a four-corner UV mapping with
// optional rotation, bulge, wave and bias, or places the whole source picture into the quad of
// the corners. The mapping itself is pure maths in uv_transform; this file reads the parameters,
// prepares the source and answers the host's messages.
#include "Xtransform.h"
#include "bitmap_export.h"
#include "corner_sizes.h"
#include "main.h"
#include "shader_messages.h"
#include "uv_transform.h"

namespace {

constexpr LONG ID_XVARNEL = 1027722;
// The UV transform tool: its command starts it, and it sends its ID as a message after it moved
// the corners.
constexpr LONG ID_UVPICKERTOOL = 1027723;
// Render information flags the host reads for this shader.
constexpr LONG kTransformRenderInfo = 0x14;
// How the material editor previews this shader; the number is the host's.
constexpr LONG kTransformPreviewType = 2004;
// Entry of a newly linked source shader that this shader sets to 1; its meaning belongs to the
// source's own parameters.
constexpr LONG kLinkedSourceEntry = 1002;
// Answered by a set-up that is entered again from within itself (a source link that leads back
// to this shader): the inner call fails, so the outer one renders without that source.
constexpr LONG kSetUpInProgress = 1;

UvPoint ReadCorner(const BaseContainer* bc, LONG id, const Vector& preset) {
  const Vector c = bc->GetVector(id, preset);
  return UvPoint{c.x, c.y, 0.0};  // the third component plays no part
}

// Everything Output reads, written by Init and cleared by Free.
struct XvarnelRenderData {
  BaseShader* source = nullptr;  // not owned; set up for rendering, or null
  UvTransform transform;
  Bool settingUp = FALSE;

  LONG Init(BaseShader* sh, const InitRenderStruct& irs);
  void Free();
};

LONG XvarnelRenderData::Init(BaseShader* sh, const InitRenderStruct& irs) {
  if (settingUp) return kSetUpInProgress;
  settingUp = TRUE;
  // A host that sets up twice without a release gets the first set-up released, not leaked.
  Free();
  const BaseContainer* data = sh->GetDataInstance();
  source = static_cast<BaseShader*>(data->GetLink(XTRANSFORM_SHADER, irs.doc, HOST_BASETYPE_SHADER));
  // A source that cannot be prepared is dropped: every sample is black, the render goes on.
  if (source && source->InitRender(irs) != INITRENDERRESULT_OK) source = nullptr;

  UvTransformSettings st;
  st.placeInQuad = data->GetLong(XTRANSFORM_PLACE_IN_QUAD, 0);
  st.corners[0] = ReadCorner(data, XTRANSFORM_CORNER1, Vector(0.0, 0.0, 0.0));
  st.corners[1] = ReadCorner(data, XTRANSFORM_CORNER2, Vector(1.0, 0.0, 0.0));
  st.corners[2] = ReadCorner(data, XTRANSFORM_CORNER3, Vector(1.0, 1.0, 0.0));
  st.corners[3] = ReadCorner(data, XTRANSFORM_CORNER4, Vector(0.0, 1.0, 0.0));
  st.rotation = data->GetReal(XTRANSFORM_ROTATION, 0.0);
  st.bulge = data->GetReal(XTRANSFORM_BULGE, 0.0);
  st.wave = data->GetReal(XTRANSFORM_WAVE, 0.0);
  st.biasU = data->GetReal(XTRANSFORM_BIAS_U, 0.0) * 0.5 + 0.5;
  st.biasV = data->GetReal(XTRANSFORM_BIAS_V, 0.0) * 0.5 + 0.5;
  st.phaseU = data->GetReal(XTRANSFORM_BIAS_U_PHASE, 0.0);
  st.phaseV = data->GetReal(XTRANSFORM_BIAS_V_PHASE, 0.0);
  transform = UvTransform(st);
  settingUp = FALSE;
  return INITRENDERRESULT_OK;
}

void XvarnelRenderData::Free() {
  if (source) {
    source->FreeRender();
    source = nullptr;
  }
}

// A source newly linked through the interface gets its entry 1002 set.
void MarkLinkedSource(BaseShader* sh, const void* data) {
  const DescriptionPostSetValue* set = static_cast<const DescriptionPostSetValue*>(data);
  if (!set || !set->descid || (*set->descid)[0] != XTRANSFORM_SHADER) return;
  BaseList2D* linked = sh->GetDataInstance()->GetLink(XTRANSFORM_SHADER, nullptr);
  if (linked) linked->GetDataInstance()->SetLong(kLinkedSourceEntry, 1);
}

bool IsCorner(LONG id) { return id >= XTRANSFORM_CORNER1 && id <= XTRANSFORM_CORNER4; }

// Keeps the preview cube's size in line with the corners. `changedId` (a corner, or 0) is being
// set to `changed` and counts with that value: the host stores a value only after the node has
// seen it. Inside an open undo step the cube's old size is recorded, so undo puts it back too.
void UpdatePreviewCube(BaseShader* sh, LONG changedId = 0, const Vector& changed = Vector()) {
  BaseContainer* data = sh->GetDataInstance();
  BaseList2D* cube = data->GetLink(XTRANSFORM_PREVIEW_OBJECT, sh->GetDocument());
  if (!cube || cube->GetType() != Ocube) return;
  ombrel::CornerUv corners[4];
  for (LONG i = 0; i < 4; ++i) {
    const LONG id = XTRANSFORM_CORNER1 + i;
    const Vector c = id == changedId ? changed : data->GetVector(id, Vector(0.0, 0.0, 0.0));
    corners[i] = ombrel::CornerUv{c.x, c.y};
  }
  const ombrel::CubeSize size = ombrel::PreviewCubeSize(corners);
  if (BaseDocument* doc = cube->GetDocument()) doc->AddUndo(UNDOTYPE_CHANGE, cube);
  cube->SetParameter(DescID(PRIM_CUBE_LEN), GeData(Vector(size.x, size.y, size.z)), DESCFLAGS_SET_0);
}

// Opens undo bracket A around a change of the shader's own values: without a document, or when
// the step cannot start, the values change without undo. Answers whether a step is open.
BaseDocument* StartChangeUndo(BaseShader* sh) {
  BaseDocument* doc = sh->GetDocument();
  if (!doc || !doc->StartUndo()) return nullptr;
  doc->AddUndo(UNDOTYPE_CHANGE, sh);
  return doc;
}

void ResetCorners(BaseShader* sh) {
  BaseDocument* undo = StartChangeUndo(sh);
  sh->SetParameter(DescID(XTRANSFORM_CORNER1), GeData(Vector(0.0, 0.0, 0.0)), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(XTRANSFORM_CORNER2), GeData(Vector(1.0, 0.0, 0.0)), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(XTRANSFORM_CORNER3), GeData(Vector(1.0, 1.0, 0.0)), DESCFLAGS_SET_0);
  sh->SetParameter(DescID(XTRANSFORM_CORNER4), GeData(Vector(0.0, 1.0, 0.0)), DESCFLAGS_SET_0);
  EventAdd();
  if (undo) undo->EndUndo();
}

void ResetEffects(BaseShader* sh) {
  BaseDocument* undo = StartChangeUndo(sh);
  for (LONG id : {XTRANSFORM_BULGE, XTRANSFORM_ROTATION, XTRANSFORM_WAVE, XTRANSFORM_BIAS_U, XTRANSFORM_BIAS_V,
                  XTRANSFORM_BIAS_U_PHASE, XTRANSFORM_BIAS_V_PHASE}) {
    sh->SetParameter(DescID(id), GeData(0.0), DESCFLAGS_SET_0);
  }
  EventAdd();
  if (undo) undo->EndUndo();
}

// The material whose list holds this shader, or null.
BaseMaterial* OwningMaterial(BaseShader* sh) {
  GeListNode* main = sh->GetMain();
  return main && main->IsInstanceOf(Mbase) ? reinterpret_cast<BaseMaterial*>(main) : nullptr;
}

void EditInTool(BaseShader* sh) {
  if (!BaseDocument::GetActive()) return;
  if (gTransformShaderLink) gTransformShaderLink->SetLink(sh);
  CallCommand(ID_UVPICKERTOOL);
  EventAdd();
}

void CreatePreviewCube(BaseShader* sh) {
  BaseMaterial* material = OwningMaterial(sh);
  BaseDocument* doc = BaseDocument::GetActive();
  if (!material || !doc || !doc->StartUndo()) return;
  BaseObject* cube = BaseObject::Alloc(Ocube);
  if (!cube) {
    doc->EndUndo();
    return;
  }
  doc->InsertObject(cube, nullptr, nullptr);
  if (BaseTag* tag = cube->MakeTag(Ttexture)) {
    BaseContainer* tagData = tag->GetDataInstance();
    tagData->SetLink(TEXTURETAG_MATERIAL, material);
    tagData->SetLong(TEXTURETAG_PROJECTION, TEXTURETAG_PROJECTION_UVW);
    // The link is part of the step, so undo leaves the shader as it was.
    doc->AddUndo(UNDOTYPE_CHANGE, sh);
    sh->GetDataInstance()->SetLink(XTRANSFORM_PREVIEW_OBJECT, cube);
  }
  UpdatePreviewCube(sh);
  doc->AddUndo(UNDOTYPE_NEW, cube);
  doc->EndUndo();
}

void DuplicateMaterial(BaseShader* sh) {
  BaseMaterial* material = OwningMaterial(sh);
  BaseDocument* doc = BaseDocument::GetActive();
  if (!material || !doc || !doc->StartUndo()) return;
  // The clone must not share the preview cube; clearing it here clears it in both. Recorded,
  // so undo gives the original its cube back.
  doc->AddUndo(UNDOTYPE_CHANGE, sh);
  sh->GetDataInstance()->SetLink(XTRANSFORM_PREVIEW_OBJECT, nullptr);
  AliasTrans* trans = AliasTrans::Alloc();
  if (trans && !trans->Init(doc)) AliasTrans::Free(trans);
  BaseMaterial* clone = reinterpret_cast<BaseMaterial*>(material->GetClone(COPYFLAGS_0, trans));
  if (clone) {
    if (trans) trans->Translate(TRUE);
    doc->InsertMaterial(clone, material, TRUE);
    doc->AddUndo(UNDOTYPE_NEW, clone);
    clone->DelBit(BIT_ACTIVE);
  }
  doc->EndUndo();
  AliasTrans::Free(trans);
  if (clone) EventAdd();
}

void PressButton(BaseShader* sh, LONG button) {
  switch (button) {
    case XTRANSFORM_EDIT_IN_TOOL: EditInTool(sh); break;
    case XTRANSFORM_RESET_CORNERS: ResetCorners(sh); break;
    case XTRANSFORM_RESET_EFFECTS: ResetEffects(sh); break;
    case XTRANSFORM_CREATE_PREVIEW: CreatePreviewCube(sh); break;
    case XTRANSFORM_DUPLICATE_MATERIAL: DuplicateMaterial(sh); break;
    case XTRANSFORM_SAVE_IMAGE: ExportTransformedPicture(sh); break;
    default: break;
  }
}

bool IsButton(LONG id) {
  switch (id) {
    case XTRANSFORM_EDIT_IN_TOOL:
    case XTRANSFORM_RESET_CORNERS:
    case XTRANSFORM_RESET_EFFECTS:
    case XTRANSFORM_CREATE_PREVIEW:
    case XTRANSFORM_DUPLICATE_MATERIAL:
    case XTRANSFORM_SAVE_IMAGE: return true;
    default: return false;
  }
}

}  // namespace

class Xvarnel : public ShaderData {
 public:
  static NodeData* Alloc() { return gNew(Xvarnel); }
  ~Xvarnel() override { render_.Free(); }

  Bool Init(GeListNode* node) override;
  Bool Message(GeListNode* node, LONG type, void* data) override;
  Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                    const BaseContainer* itemDescription) override;
  Bool SetDParameter(GeListNode* node, const DescID& id, const GeData& data, LONG& flags) override;
  LONG GetRenderInfo(BaseShader* sh) override {
    (void)sh;
    return kTransformRenderInfo;
  }
  LONG InitRender(BaseShader* sh, const InitRenderStruct& irs) override { return render_.Init(sh, irs); }
  void FreeRender(BaseShader* sh) override {
    (void)sh;
    render_.Free();
  }
  Vector Output(BaseShader* sh, ChannelData* cd) override;

 private:
  XvarnelRenderData render_;
  bool forwarding_ = false;  // see ForwardToLinkedShaders
};

Bool Xvarnel::Init(GeListNode* node) {
  BaseContainer* data = static_cast<BaseList2D*>(node)->GetDataInstance();
  data->SetLink(XTRANSFORM_SHADER, nullptr);
  data->SetLong(XTRANSFORM_PLACE_IN_QUAD, 0);
  data->SetReal(XTRANSFORM_BULGE, 0.0);
  data->SetReal(XTRANSFORM_ROTATION, 0.0);
  data->SetReal(XTRANSFORM_WAVE, 0.0);
  data->SetReal(XTRANSFORM_BIAS_U, 0.0);
  data->SetReal(XTRANSFORM_BIAS_V, 0.0);
  data->SetReal(XTRANSFORM_BIAS_U_PHASE, 0.0);
  data->SetReal(XTRANSFORM_BIAS_V_PHASE, 0.0);
  data->SetVector(XTRANSFORM_CORNER1, Vector(0.0, 0.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER2, Vector(1.0, 0.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER3, Vector(1.0, 1.0, 0.0));
  data->SetVector(XTRANSFORM_CORNER4, Vector(0.0, 1.0, 0.0));

  // Only a host that hands out preview data gets the entry.
  GeData preview;
  if (preview.SetCustomDefault(CUSTOMDATATYPE_MATPREVIEW)) {
    MaterialPreviewData* mp = MaterialPreviewData::From(preview.GetCustomDataType(CUSTOMDATATYPE_MATPREVIEW));
    if (mp) mp->SetPreviewType(kTransformPreviewType);
    data->SetData(ID_MATERIAL_PREVIEW, preview);
  }
  return TRUE;
}

Bool Xvarnel::Message(GeListNode* node, LONG type, void* data) {
  BaseShader* sh = static_cast<BaseShader*>(node);
  switch (type) {
    case MSG_DESCRIPTION_COMMAND: {
      const DescriptionCommand* command = static_cast<const DescriptionCommand*>(data);
      if (command && IsButton(command->id[0])) {
        PressButton(sh, command->id[0]);
        return TRUE;
      }
      break;
    }
    case MSG_DESCRIPTION_POSTSETPARAMETER:
      MarkLinkedSource(sh, data);
      break;
    case ID_UVPICKERTOOL:
      UpdatePreviewCube(sh);
      return TRUE;
    default:
      break;
  }
  if (!TakeOverInitialChannel(sh, XTRANSFORM_SHADER, type, data)) {
    ForwardToLinkedShaders(sh, {XTRANSFORM_SHADER}, type, data, forwarding_);
  }
  return TRUE;
}

// The source link stays enabled while the UV transform tool edits this shader: the tool reads
// the source afresh when it starts, and nothing of the shader's own marks it as being edited.
Bool Xvarnel::GetDEnabling(GeListNode* node, const DescID& id, const GeData& data, LONG flags,
                           const BaseContainer* itemDescription) {
  (void)node;
  (void)id;
  (void)data;
  (void)flags;
  (void)itemDescription;
  return TRUE;
}

// The host stores the value itself: the flags are left alone.
Bool Xvarnel::SetDParameter(GeListNode* node, const DescID& id, const GeData& data, LONG& flags) {
  (void)flags;
  if (IsCorner(id[0])) UpdatePreviewCube(static_cast<BaseShader*>(node), id[0], data.GetVector());
  return TRUE;
}

Vector Xvarnel::Output(BaseShader* sh, ChannelData* cd) {
  (void)sh;
  const XvarnelRenderData& r = render_;
  if (!r.source) return Vector(0.0);
  const Vector p = cd->p;
  UvPoint q;
  if (!r.transform.Apply(UvPoint{p.x, p.y, p.z}, (cd->texflag & HOST_TEX_MIRROR) != 0, q)) return Vector(0.0);

  // The whole picture is placed once: the source must not repeat or mirror it.
  const LONG texflag = cd->texflag;
  if (r.transform.Settings().placeInQuad) cd->texflag = 0;
  cd->p = Vector(q.u, q.v, 0.0);
  const Vector colour = r.source->Sample(cd);
  cd->p = p;
  cd->texflag = texflag;
  return colour;
}

// The link exists before the shader registers, so the shader's button always has it to use. A
// repeated plug-in start keeps the link it made the first time.
Bool RegisterXvarnel() {
  if (!gTransformShaderLink) gTransformShaderLink = BaseLink::Alloc();
  return RegisterShaderPlugin(ID_XVARNEL, GeLoadString(IDS_XTRANSFORM), 0, Xvarnel::Alloc, "Xtransform", 0);
}
