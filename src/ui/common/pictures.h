#pragma once

#include "ui/common/handles.h"
#include "ui/common/window_table.h"

namespace ui {

// The icon of the picture at this size in pixels, from the program's resources; an empty handle when
// the resource is missing, so a window without its pictures still works.
IconHandle LoadPicture(Picture picture, int sizePixels);

} // namespace ui
