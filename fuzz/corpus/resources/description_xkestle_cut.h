#ifndef XKESTLE_CUT_H__
#define XKESTLE_CUT_H__

// Parameter IDs of the cut shader. They are stored in scene files:
// never renumber an existing entry.
enum
{
  KESTLECUT_TEXTURE         = 1000,
  KESTLECUT_CENTER_SHADER   = 1001,
  KESTLECUT_OVERLAY         = 1002,
  KESTLECUT_IMAGE_WIDTH     = 1004,
  KESTLECUT_IMAGE_HEIGHT    = 1005,
  KESTLECUT_CELL_WIDTH      = 1007,
  KESTLECUT_CELL_HEIGHT     = 1008,
  KESTLECUT_OFFSET_X        = 1010,
  KESTLECUT_OFFSET_Y        = 1011,

  KESTLECUT_DUMMY_
};

#endif  // XKESTLE_CUT_H__
