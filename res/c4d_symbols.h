// String IDs of the module's own string table (strings_us/c4d_strings.str).
// The plug-in names 10001..10005 are looked up by these numbers at
// registration, so they must not move.
enum
{
  // Base label of the tile shader's extra texture slots ("Texture 1", ...).
  IDS_TAVRELTILES_SLOT_LABEL = 1200,
  // Title of the tile shader's folder-import dialog.
  IDS_TAVRELTILES_FOLDER_TITLE = 9000,

  // Start of the UV transform shader's message when its picture cannot be written (the file
  // name follows).
  IDS_XTRANSFORM_SAVE_FAILED = 9100,

  IDS_TITLE = 10000,        // printed in the start line
  IDS_TAVRELTILES,          // 10001, tile shader
  IDS_GLENTCOLOR,           // 10002, colour-adjust shader
  IDS_KESTLECUT,            // 10003, cut shader
  IDS_XTRANSFORM,           // 10004, UV transform shader
  IDS_TOOL_UV_TRANSFORM,    // 10005, UV transform tool (name and help text)

  _DUMMY_ELEMENT_
};
