// Reads an .ico file back the way a loader does and checks it: the directory holds the expected
// images (size and colours, in order), every entry agrees with its DIB, the colour tables are the
// palettes we draw with, and, given the text picture it came from, every pixel and every transparent
// pixel is where the picture has it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "picture.h"

namespace {

using txt2ico::Image;

struct Expected {
    unsigned width, height, colours;
};

class Reader {
public:
    explicit Reader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    unsigned u8(std::size_t at) const {
        need(at, 1);
        return bytes_[at];
    }
    unsigned u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    std::uint32_t u32(std::size_t at) const { return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16; }
    void need(std::size_t at, std::size_t n) const {
        if (at > bytes_.size() || n > bytes_.size() - at) throw std::runtime_error("data runs past the end of the file");
    }

private:
    std::vector<std::uint8_t> bytes_;
};

void expect(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

std::string str(unsigned v) { return std::to_string(v); }

// Decodes one directory entry into pixels: VGA index where opaque, kTransparent where the mask says so.
Image decode(const Reader& ico, std::size_t entry, const Expected& want) {
    const unsigned width = ico.u8(entry) ? ico.u8(entry) : 256;
    const unsigned height = ico.u8(entry + 1) ? ico.u8(entry + 1) : 256;
    const unsigned colourCount = ico.u8(entry + 2);
    const unsigned bitCount = ico.u16(entry + 6);
    const std::uint32_t bytes = ico.u32(entry + 8);
    const std::uint32_t offset = ico.u32(entry + 12);
    expect(width == want.width && height == want.height,
           "size " + str(width) + "x" + str(height) + ", expected " + str(want.width) + "x" + str(want.height));
    expect(colourCount == want.colours,
           "bColorCount " + str(colourCount) + ", expected " + str(want.colours));
    expect(ico.u8(entry + 3) == 0, "bReserved is not 0");
    expect(ico.u16(entry + 4) == 1, "wPlanes is not 1");
    const unsigned bits = want.colours == 2 ? 1 : 4;
    expect(bitCount == bits, "wBitCount " + str(bitCount) + ", expected " + str(bits));
    ico.need(offset, bytes);

    expect(ico.u32(offset) == 40, "the DIB header is not a BITMAPINFOHEADER");
    expect(ico.u32(offset + 4) == want.width && ico.u32(offset + 8) == 2 * want.height,
           "the DIB is not as wide as the entry and twice as high (XOR image over AND mask)");
    expect(ico.u16(offset + 12) == 1 && ico.u16(offset + 14) == bits, "the DIB's planes or bit count disagree");
    expect(ico.u32(offset + 16) == 0, "the DIB is compressed");
    const std::uint32_t clrUsed = ico.u32(offset + 32);
    const std::size_t tableSize = clrUsed ? clrUsed : 1u << bits;
    const std::vector<int>& table = txt2ico::colourTable(static_cast<int>(want.colours));
    expect(tableSize == table.size(), "the colour table has " + str(static_cast<unsigned>(tableSize)) + " entries");
    for (std::size_t i = 0; i < tableSize; ++i) {
        const std::size_t at = offset + 40 + 4 * i;
        const txt2ico::Rgb c = txt2ico::kVga[static_cast<std::size_t>(table[i])];
        expect(ico.u8(at) == c.b && ico.u8(at + 1) == c.g && ico.u8(at + 2) == c.r && ico.u8(at + 3) == 0,
               "colour table entry " + str(static_cast<unsigned>(i)) + " is not " +
                   txt2ico::kVgaNames[static_cast<std::size_t>(table[i])]);
    }
    const std::size_t xorStride = (std::size_t{width} * bits + 31) / 32 * 4;
    const std::size_t andStride = (std::size_t{width} + 31) / 32 * 4;
    const std::size_t xorStart = offset + 40 + 4 * tableSize;
    const std::size_t andStart = xorStart + xorStride * height;
    expect(bytes == andStart + andStride * height - offset,
           "dwBytesInRes " + str(bytes) + " does not cover exactly header, colours, image and mask");
    const std::uint32_t sizeImage = ico.u32(offset + 20);
    expect(sizeImage == 0 || sizeImage == (xorStride + andStride) * height, "biSizeImage is wrong");

    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.colours = static_cast<int>(want.colours);
    for (unsigned y = 0; y < height; ++y) {
        const std::size_t row = height - 1 - y;  // bottom-up
        for (unsigned x = 0; x < width; ++x) {
            const unsigned byte = ico.u8(xorStart + row * xorStride + x * bits / 8);
            const unsigned slot = (byte >> (8 - bits - x * bits % 8)) & ((1u << bits) - 1);
            const bool masked = (ico.u8(andStart + row * andStride + x / 8) & (0x80u >> (x % 8))) != 0;
            expect(slot < tableSize, "a pixel points past the colour table");
            // A masked pixel is XORed onto the screen, so anything but black would show.
            expect(!masked || table[slot] == 0, "a transparent pixel is not black in the XOR image");
            image.pixels.push_back(masked ? txt2ico::kTransparent : table[slot]);
        }
    }
    return image;
}

void check(const std::string& path, const std::vector<Expected>& wanted, const std::string& source) {
    std::ifstream in(path, std::ios::binary);
    expect(static_cast<bool>(in), "cannot be read");
    std::vector<std::uint8_t> bytes;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) bytes.push_back(static_cast<std::uint8_t>(*it));
    const Reader ico(std::move(bytes));
    expect(ico.u16(0) == 0 && ico.u16(2) == 1, "not an icon file (ICONDIR reserved 0, type 1)");
    const unsigned count = ico.u16(4);
    expect(count == wanted.size(), str(count) + " images, expected " + str(static_cast<unsigned>(wanted.size())));

    std::vector<Image> images;
    for (unsigned i = 0; i < count; ++i) {
        try {
            images.push_back(decode(ico, 6 + 16 * static_cast<std::size_t>(i), wanted[i]));
        } catch (const std::runtime_error& e) {
            throw std::runtime_error("image " + str(i + 1) + ": " + e.what());
        }
    }
    if (source.empty()) return;
    const txt2ico::Picture picture = txt2ico::readPicture(source);
    expect(picture.images.size() == images.size(), "the icon and " + source + " hold different numbers of images");
    for (std::size_t i = 0; i < images.size(); ++i)
        expect(images[i].pixels == picture.images[i].pixels,
               "image " + str(static_cast<unsigned>(i + 1)) + " differs from " + source);
}

// WIDTHxHEIGHTxCOLOURS, as in 32x32x16.
bool parseExpected(const std::string& arg, Expected& e) {
    unsigned* fields[] = {&e.width, &e.height, &e.colours};
    std::size_t pos = 0;
    for (unsigned* field : fields) {
        const std::size_t end = std::min(arg.find('x', pos), arg.size());
        const std::string digits = arg.substr(pos, end - pos);
        if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        *field = static_cast<unsigned>(std::stoi(digits));
        pos = end + 1;
    }
    return pos == arg.size() + 1 && e.width >= 1 && e.width <= 256 && e.height >= 1 && e.height <= 256 &&
           (e.colours == 16 || e.colours == 8 || e.colours == 2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path, source;
    std::vector<Expected> wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        Expected e{};
        if (arg == "--source" && i + 1 < argc) {
            source = argv[++i];
        } else if (path.empty()) {
            path = arg;
        } else if (parseExpected(arg, e)) {
            wanted.push_back(e);
        } else {
            path.clear();
            break;
        }
    }
    if (path.empty() || wanted.empty()) {
        std::fprintf(stderr, "usage: ico_check ICON.ico [--source PICTURE.txt] WIDTHxHEIGHTxCOLOURS...\n");
        return 2;
    }
    try {
        check(path, wanted, source);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ico_check: %s: %s\n", path.c_str(), e.what());
        return 1;
    }
    return 0;
}
