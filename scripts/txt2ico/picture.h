// A text picture: the images of one icon, each drawn one character per pixel. The format is
// described in resources/README.md.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace txt2ico {

struct Rgb {
    std::uint8_t r, g, b;
};

// The 16-colour VGA palette, in the order a 4-bit DIB lists it.
constexpr int kVgaColours = 16;
extern const std::array<Rgb, kVgaColours> kVga;
extern const std::array<const char*, kVgaColours> kVgaNames;

constexpr int kTransparent = -1;

struct Image {
    int width = 0;
    int height = 0;
    int colours = 16;         // 16, 8 or 2
    std::vector<int> pixels;  // top row first; a VGA index or kTransparent

    int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

struct Picture {
    std::vector<Image> images;
};

// The colour table of an image with `colours` colours, as VGA indexes: the whole palette for 16, the
// eight full-intensity colours for 8, black and white for 2. Black is entry 0 of each.
const std::vector<int>& colourTable(int colours);

// Throws std::runtime_error naming `source` and the line at fault.
Picture parsePicture(const std::string& text, const std::string& source);
Picture readPicture(const std::string& path);

}  // namespace txt2ico
