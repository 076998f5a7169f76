#pragma once

#include "ui/common/handles.h"
#include "ui/common/window_table.h"

namespace ui {

// The icon of the picture at this size in pixels, from the program's resources; an empty handle when
// the resource is missing, so a window without its pictures still works.
IconHandle LoadPicture(Picture picture, int sizePixels);

// The largest size the picture is stored at that is not larger than `atMost` (its smallest when all
// are): loaded at that size and drawn unscaled, it stays sharp where a stretched image would blur.
int StoredPictureSize(Picture picture, int atMost);

} // namespace ui
