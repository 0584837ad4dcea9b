// UV transform tool: edits the four corner points of one UV transform shader in a view. The
// shader's button "Edit in Tool" points gTransformShaderLink at the shader and starts the tool;
// the tool shows the shader's source picture and writes every change of a corner straight back
// into the shader.
#include "corner_editing.h"
#include "main.h"
#include "source_preview.h"
#include "tool_corners.h"
#include "tool_overlay.h"
#include "tool_uv_transform.h"

namespace {
// Tool information flag the host reads for this tool.
constexpr LONG kToolInfo = 0x10000000;

bool IsDisplaySetting(LONG id) { return id >= TOOL_UV_TRANSFORM_GUIDES && id <= TOOL_UV_TRANSFORM_MAGNIFIER; }
}  // namespace

class UvPickerTool : public DescriptionToolData {
 public:
  UvPickerTool() : preview_(nullptr), previewBitmap_(BaseBitmap::Alloc()) {
    for (Bool& flag : cornerSelected_) flag = FALSE;
  }
  ~UvPickerTool() override {
    for (Bool& flag : cornerSelected_) flag = FALSE;
    BaseBitmap::Free(previewBitmap_);
  }

  Bool InitTool(BaseDocument* doc, BaseContainer& data) override;
  void FreeTool(BaseDocument* doc, BaseContainer& data) override;
  void InitDefaultSettings(BaseDocument* doc, BaseContainer& data) override;
  String GetResourceSymbol() override { return String("tool_uv_transform"); }
  Bool MouseInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                  const BaseContainer& msg) override;
  Bool KeyboardInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                     const BaseContainer& msg) override;
  Bool GetCursorInfo(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, Real x, Real y,
                     BaseContainer& bc) override;
  LONG Draw(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, BaseDrawHelp* bh, BaseThread* bt,
            LONG flags) override;
  Bool SetDParameter(BaseDocument* doc, BaseContainer& data, const DescID& id, const GeData& value,
                     LONG& flags) override;
  Bool Message(BaseDocument* doc, BaseContainer& data, LONG type, void* t_data) override;
  LONG GetToolPluginId() override { return uvtool::kToolId; }

 private:
  BaseBitmap* preview_;         // the picture in use: previewBitmap_ or null; not owned
  Bool cornerSelected_[4];      // corner k + 1 is selected
  BaseBitmap* previewBitmap_;   // owned, reused for every preview; null if it could not be had
};

// The selection is cleared first: a start that fails leaves none behind. The view is only taken
// once there is a picture to show in it.
Bool UvPickerTool::InitTool(BaseDocument* doc, BaseContainer& data) {
  for (Bool& flag : cornerSelected_) flag = FALSE;
  if (gTransformShaderLink) data.SetLink(TOOL_UV_TRANSFORM_SHADER, gTransformShaderLink->GetLink(nullptr, HOST_BASETYPE_SHADER));
  if (!DescriptionToolData::InitTool(doc, data)) return FALSE;
  preview_ = uvtool::RenderSourcePreview(previewBitmap_, data, doc);
  if (!preview_) return FALSE;
  data.SetLink(TOOL_UV_TRANSFORM_VIEW, doc ? doc->GetActiveBaseDraw() : nullptr);
  return TRUE;
}

// The bitmap stays for the next start, and so does the selection until then.
void UvPickerTool::FreeTool(BaseDocument* doc, BaseContainer& data) {
  DescriptionToolData::FreeTool(doc, data);
  preview_ = nullptr;
}

void UvPickerTool::InitDefaultSettings(BaseDocument* doc, BaseContainer& data) {
  data.SetBool(TOOL_UV_TRANSFORM_GUIDES, TRUE);
  data.SetBool(TOOL_UV_TRANSFORM_HANDLES, TRUE);
  data.SetReal(TOOL_UV_TRANSFORM_OFFSET, 0.5);
  data.SetBool(TOOL_UV_TRANSFORM_MAGNIFIER, FALSE);
  DescriptionToolData::InitDefaultSettings(doc, data);
}

// Every press is handled the same way, whichever button and modifiers.
Bool UvPickerTool::MouseInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                              const BaseContainer& msg) {
  uvtool::PressAndDrag(doc, data, bd, win, msg, preview_, cornerSelected_);
  return TRUE;
}

Bool UvPickerTool::KeyboardInput(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, EditorWindow* win,
                                 const BaseContainer& msg) {
  (void)msg;
  return uvtool::NudgeSelected(doc, data, bd, win, preview_, cornerSelected_);
}

Bool UvPickerTool::GetCursorInfo(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, Real x, Real y,
                                 BaseContainer& bc) {
  uvtool::ShowCornerCursor(doc, data, bd, x, y, preview_, bc);
  return TRUE;
}

// The drawing context, thread and flags make no difference: the tool draws the same every time.
LONG UvPickerTool::Draw(BaseDocument* doc, BaseContainer& data, BaseDraw* bd, BaseDrawHelp* bh, BaseThread* bt,
                        LONG flags) {
  (void)bh;
  (void)bt;
  (void)flags;
  return uvtool::DrawTool(doc, data, bd, preview_, cornerSelected_);
}

// A new shader or view makes a new picture, from what the settings hold at this call; the
// display settings only redraw. The host stores the value itself.
Bool UvPickerTool::SetDParameter(BaseDocument* doc, BaseContainer& data, const DescID& id, const GeData& value,
                                 LONG& flags) {
  (void)value;
  (void)flags;
  if (!IsDisplaySetting(id[0])) preview_ = uvtool::RenderSourcePreview(previewBitmap_, data, doc);
  DrawViews(uvtool::kRedrawSettings);
  return TRUE;
}

Bool UvPickerTool::Message(BaseDocument* doc, BaseContainer& data, LONG type, void* t_data) {
  (void)doc;
  (void)data;
  (void)t_data;
  if (type == MSG_DESCRIPTION_POSTSETPARAMETER) DrawViews(uvtool::kRedrawAfterEdit);
  return TRUE;
}

Bool RegisterUvPickerTool() {
  UvPickerTool* tool = gNew(UvPickerTool);
  const String name = GeLoadString(IDS_TOOL_UV_TRANSFORM);
  const String help = GeLoadString(IDS_TOOL_UV_TRANSFORM);
  return RegisterToolPlugin(uvtool::kToolId, name, kToolInfo, nullptr, help, tool);
}
