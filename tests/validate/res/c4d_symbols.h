// String IDs of the deliberately broken test modules.
enum
{
  IDS_BROKEN = 10000,

  _DUMMY_ELEMENT_
};
