#include "encode.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace txt2ico {

namespace {

void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

void put32be(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// DIB rows are padded to whole 32-bit words.
std::size_t stride(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

int bitsPerPixel(int colours) { return colours == 2 ? 1 : 4; }

// Colour table slot of every VGA index the image may use; transparent pixels take slot 0, black.
int slotOf(const Image& image, int vga) {
    if (vga == kTransparent) return 0;
    const std::vector<int>& table = colourTable(image.colours);
    return static_cast<int>(std::find(table.begin(), table.end(), vga) - table.begin());
}

Bytes dib(const Image& image) {
    const int bits = bitsPerPixel(image.colours);
    const std::vector<int>& table = colourTable(image.colours);
    const std::size_t xorStride = stride(image.width, bits);
    const std::size_t andStride = stride(image.width, 1);
    const std::size_t xorSize = xorStride * static_cast<std::size_t>(image.height);
    const std::size_t andSize = andStride * static_cast<std::size_t>(image.height);

    Bytes out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.width));
    put32(out, static_cast<std::uint32_t>(image.height) * 2);  // the XOR image over the AND mask
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<std::uint32_t>(xorSize + andSize));
    put32(out, 0);
    put32(out, 0);
    // A 4-bit DIB holding 8 colours says so; a full table is conventionally left at 0.
    put32(out, table.size() == (1u << bits) ? 0u : static_cast<std::uint32_t>(table.size()));
    put32(out, 0);
    for (int vga : table) {
        const Rgb c = kVga[static_cast<std::size_t>(vga)];
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }

    const std::size_t xorStart = out.size();
    out.resize(xorStart + xorSize + andSize, 0);
    const std::size_t andStart = xorStart + xorSize;
    const int perByte = 8 / bits;
    for (int y = 0; y < image.height; ++y) {
        const std::size_t row = static_cast<std::size_t>(image.height - 1 - y);  // bottom-up
        for (int x = 0; x < image.width; ++x) {
            const int vga = image.at(x, y);
            const std::size_t byte = static_cast<std::size_t>(x / perByte);
            const int shift = 8 - bits * (x % perByte + 1);
            out[xorStart + row * xorStride + byte] |= static_cast<std::uint8_t>(slotOf(image, vga) << shift);
            if (vga == kTransparent)
                out[andStart + row * andStride + static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return out;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void pngChunk(Bytes& out, const char* type, const Bytes& data) {
    put32be(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32be(out, crc32(out.data() + start, out.size() - start));
}

// zlib with stored (uncompressed) deflate blocks: a preview is small and this needs no library.
Bytes zlibStored(const Bytes& raw) {
    Bytes out = {0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - pos, 65535);
        out.push_back(static_cast<std::uint8_t>(pos + n == raw.size() ? 1 : 0));  // BFINAL, stored
        put16(out, static_cast<unsigned>(n));
        put16(out, static_cast<unsigned>(~n & 0xFFFFu));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                   raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32be(out, (b << 16) | a);
    return out;
}

}  // namespace

Bytes encodeIco(const Picture& picture) {
    const std::size_t count = picture.images.size();
    if (count == 0 || count > 0xFFFF) throw std::invalid_argument("an icon holds 1 to 65535 images");
    Bytes head;
    put16(head, 0);
    put16(head, 1);  // icon, not cursor
    put16(head, static_cast<unsigned>(count));
    Bytes body;
    const std::size_t bodyStart = 6 + 16 * count;
    for (const Image& image : picture.images) {
        const Bytes data = dib(image);
        head.push_back(static_cast<std::uint8_t>(image.width & 0xFF));  // 256 is written as 0
        head.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
        head.push_back(static_cast<std::uint8_t>(image.colours));
        head.push_back(0);
        put16(head, 1);
        put16(head, static_cast<unsigned>(bitsPerPixel(image.colours)));
        put32(head, static_cast<std::uint32_t>(data.size()));
        put32(head, static_cast<std::uint32_t>(bodyStart + body.size()));
        body.insert(body.end(), data.begin(), data.end());
    }
    head.insert(head.end(), body.begin(), body.end());
    return head;
}

Bytes encodePreviewPng(const Picture& picture, int scale, Rgb ground) {
    if (scale < 1 || scale > 64) throw std::invalid_argument("the scale is 1 to 64");
    const int gap = 8;
    int width = gap, height = 0;
    for (const Image& image : picture.images) {
        width += (image.width * scale + gap) + (image.width + gap);
        height = std::max(height, image.height * scale);
    }
    height += 2 * gap;

    std::vector<Rgb> canvas(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), ground);
    auto draw = [&](const Image& image, int left, int s) {
        for (int y = 0; y < image.height * s; ++y)
            for (int x = 0; x < image.width * s; ++x) {
                const int vga = image.at(x / s, y / s);
                if (vga != kTransparent)
                    canvas[static_cast<std::size_t>(gap + y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(left + x)] = kVga[static_cast<std::size_t>(vga)];
            }
    };
    int left = gap;
    for (const Image& image : picture.images) {
        draw(image, left, scale);
        left += image.width * scale + gap;
    }
    for (const Image& image : picture.images) {
        draw(image, left, 1);
        left += image.width + gap;
    }

    Bytes raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const Rgb c = canvas[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(x)];
            raw.insert(raw.end(), {c.r, c.g, c.b});
        }
    }
    Bytes header;
    put32be(header, static_cast<std::uint32_t>(width));
    put32be(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter, no interlace

    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    pngChunk(out, "IHDR", header);
    pngChunk(out, "IDAT", zlibStored(raw));
    pngChunk(out, "IEND", {});
    return out;
}

}  // namespace txt2ico
