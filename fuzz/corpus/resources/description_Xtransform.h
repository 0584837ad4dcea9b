#ifndef XTRANSFORM_H__
#define XTRANSFORM_H__

// Parameter IDs of the UV transform shader. They are stored in scene files:
// never renumber an existing entry.
enum
{
  XTRANSFORM_SHADER               = 1100,
  XTRANSFORM_EDIT_IN_TOOL         = 1101,
  XTRANSFORM_RESET_CORNERS        = 1102,
  XTRANSFORM_CORNER1              = 1103,
  XTRANSFORM_CORNER2              = 1104,
  XTRANSFORM_CORNER3              = 1105,
  XTRANSFORM_CORNER4              = 1106,
  XTRANSFORM_ROTATION             = 1107,
  XTRANSFORM_BULGE                = 1108,
  XTRANSFORM_WAVE                 = 1109,
  XTRANSFORM_BIAS_U               = 1110,
  XTRANSFORM_BIAS_V               = 1111,
  XTRANSFORM_CREATE_PREVIEW       = 1113,
  XTRANSFORM_PREVIEW_OBJECT       = 1114,
  XTRANSFORM_DUPLICATE_MATERIAL   = 1116,
  XTRANSFORM_SAVE_IMAGE           = 1117,
  XTRANSFORM_BIAS_U_PHASE         = 1119,
  XTRANSFORM_BIAS_V_PHASE         = 1120,
  XTRANSFORM_RESET_EFFECTS        = 1121,
  XTRANSFORM_PLACE_IN_QUAD        = 1200,

  // Values of XTRANSFORM_PLACE_IN_QUAD.
  XTRANSFORM_PLACE_IN_QUAD_OFF    = 0,
  XTRANSFORM_PLACE_IN_QUAD_ON,

  XTRANSFORM_DUMMY_
};

#endif  // XTRANSFORM_H__
