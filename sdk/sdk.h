// The plug-in SDK: everything a module needs to talk to the host.
#ifndef OMBREL_SDK_H
#define OMBREL_SDK_H

#include "sdk_bitmap.h"
#include "sdk_container.h"
#include "sdk_dialogs.h"
#include "sdk_gradient.h"
#include "sdk_host.h"
#include "sdk_material_preview.h"
#include "sdk_memory.h"
#include "sdk_nodes.h"
#include "sdk_plugins.h"
#include "sdk_render.h"
#include "sdk_resource.h"
#include "sdk_string.h"
#include "sdk_types.h"
#include "sdk_view.h"

#endif
