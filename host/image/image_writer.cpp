#include "image/image_writer.h"
