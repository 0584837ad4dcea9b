#ifndef XTAVREL_TILES_H__
#define XTAVREL_TILES_H__

// Parameter IDs of the tile shader. They are stored in scene files:
// never renumber an existing entry.
enum
{
  TAVRELTILES_JOINT_WIDTH                 = 1081,
  TAVRELTILES_JOINT_NOISE_SCALE           = 1082,
  TAVRELTILES_FIT_TEXTURE_INSIDE_JOINTS   = 1083,
  TAVRELTILES_JOINT_GRADIENT              = 1084,
  TAVRELTILES_JOINT_BIAS                  = 1085,
  TAVRELTILES_JOINT_RATIO                 = 1086,
  TAVRELTILES_RAW_JOINT_WEIGHT            = 1087,
  TAVRELTILES_TILE_ROTATION               = 1092,
  TAVRELTILES_SATURATION_VARIATION        = 1094,
  TAVRELTILES_GAMMA_VARIATION             = 1095,
  TAVRELTILES_BRIGHTNESS_VARIATION        = 1096,
  TAVRELTILES_TEXTURE                     = 1100,
  TAVRELTILES_SEED                        = 1101,
  TAVRELTILES_RANDOM_FLIP_U               = 1102,
  TAVRELTILES_RANDOM_FLIP_V               = 1103,
  TAVRELTILES_RANDOM_ROTATE               = 1104,
  TAVRELTILES_CHECKER_ROTATE              = 1105,
  TAVRELTILES_MODE                        = 1130,
  TAVRELTILES_POLYGON_GROUP               = 1131,
  TAVRELTILES_ROW_OFFSET                  = 1161,
  TAVRELTILES_ROW_OFFSET_VARIATION        = 1162,
  TAVRELTILES_ROW_DRIFT                   = 1163,
  TAVRELTILES_ROW_DRIFT_VARIATION         = 1164,
  TAVRELTILES_STRETCH_TEXTURE             = 1165,
  TAVRELTILES_COLUMNS                     = 1166,
  TAVRELTILES_ROWS                        = 1167,
  TAVRELTILES_TEXTURE_ROTATION            = 1198,
  TAVRELTILES_TILE_ASPECT                 = 1199,
  TAVRELTILES_TEXTURE_COUNT               = 1220,

  // Buttons that edit the texture list.
  TAVRELTILES_ADD_TEXTURE                 = 1200,
  TAVRELTILES_REMOVE_TEXTURE              = 1201,
  TAVRELTILES_LOAD_FOLDER                 = 1202,

  // Holds slot 1100 and the slots the shader adds at run time.
  TAVRELTILES_TEXTURE_GROUP               = 1300,

  // Extra slot i (i >= 1) has the ID TAVRELTILES_TEXTURE_SLOT + i.
  TAVRELTILES_TEXTURE_SLOT                = 3100,

  // Layout groups; not stored in scenes. Kept clear of the slot range.
  TAVRELTILES_GROUP_TEXTURES              = 2001,
  TAVRELTILES_GROUP_TILES,
  TAVRELTILES_GROUP_VARIATION,
  TAVRELTILES_GROUP_JOINTS,

  // Values of TAVRELTILES_MODE.
  TAVRELTILES_MODE_UV                     = 0,
  TAVRELTILES_MODE_POLYGON,
  TAVRELTILES_MODE_OBJECT,

  // Values of TAVRELTILES_TEXTURE_ROTATION.
  TAVRELTILES_TEXTURE_ROTATION_NONE       = 0,
  TAVRELTILES_TEXTURE_ROTATION_PLUS90,
  TAVRELTILES_TEXTURE_ROTATION_MINUS90,

  TAVRELTILES_DUMMY_
};

#endif  // XTAVREL_TILES_H__
