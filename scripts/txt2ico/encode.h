#pragma once

#include <cstdint>
#include <vector>

#include "picture.h"

namespace txt2ico {

using Bytes = std::vector<std::uint8_t>;

// An .ico file with the picture's images in their order: a BITMAPINFOHEADER DIB per image (4 bits a
// pixel for 16 and 8 colours, 1 bit for 2) followed by its AND mask, where transparent pixels have
// their mask bit set and colour index 0 (black).
Bytes encodeIco(const Picture& picture);

// A PNG sheet for looking at the art: every image magnified `scale` times, side by side, then every
// image at its true size, all on `ground`.
Bytes encodePreviewPng(const Picture& picture, int scale, Rgb ground);

}  // namespace txt2ico
