// The resources the executable carries: the string table, the dialog templates, the
// firmware image, the agreement text, the splash picture, the icon and the version
// block, each under its type and identifier (res/resource_ids.h). The bytes live in
// the executable's read-only data and stay valid for the whole run; the directory is
// generated at build time (res/CMakeLists.txt). The program registers it once at
// start: SetResourceDirectory(ProgramResources()).
#pragma once

#include "platform/system/resources.h"

namespace qx {

ResourceDirectory ProgramResources();

}  // namespace qx
