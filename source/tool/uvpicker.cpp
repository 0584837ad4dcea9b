// UV transform tool: edits the four corner points of one UV transform shader in a view.
#include "main.h"
#include "tool_uv_transform.h"

namespace {
constexpr LONG ID_UVPICKERTOOL = 1027723;
// Tool information flag the host reads for this tool.
constexpr LONG kToolInfo = 0x10000000;
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

  String GetResourceSymbol() override { return String("tool_uv_transform"); }
  LONG GetToolPluginId() override { return ID_UVPICKERTOOL; }
  void InitDefaultSettings(BaseDocument* doc, BaseContainer& data) override;

 private:
  BaseBitmap* preview_;         // the picture in use, or null; not owned
  Bool cornerSelected_[4];      // corner k+1 is selected
  BaseBitmap* previewBitmap_;   // owned, reused for every preview
};

void UvPickerTool::InitDefaultSettings(BaseDocument* doc, BaseContainer& data) {
  (void)doc;
  data.SetBool(TOOL_UV_TRANSFORM_GUIDES, TRUE);
  data.SetBool(TOOL_UV_TRANSFORM_HANDLES, TRUE);
  data.SetReal(TOOL_UV_TRANSFORM_OFFSET, 0.5);
  data.SetBool(TOOL_UV_TRANSFORM_MAGNIFIER, FALSE);
}

Bool RegisterUvPickerTool() {
  UvPickerTool* tool = gNew(UvPickerTool);
  const String name = GeLoadString(IDS_TOOL_UV_TRANSFORM);
  const String help = GeLoadString(IDS_TOOL_UV_TRANSFORM);
  return RegisterToolPlugin(ID_UVPICKERTOOL, name, kToolInfo, nullptr, help, tool);
}
