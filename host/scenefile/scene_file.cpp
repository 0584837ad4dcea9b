#include "scenefile/scene_file.h"
