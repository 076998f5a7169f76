// Turns a text picture into an .ico file, or into a magnified PNG to look at while drawing.
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

#include "encode.h"
#include "picture.h"

namespace {

const char kUsage[] =
    "usage: txt2ico PICTURE.txt ICON.ico\n"
    "       txt2ico --preview [--scale N] [--ground RRGGBB] PICTURE.txt PREVIEW.png\n";

txt2ico::Rgb parseGround(const std::string& hex) {
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw std::invalid_argument("--ground takes RRGGBB in hexadecimal");
    const unsigned long v = std::stoul(hex, nullptr, 16);
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

void writeFile(const std::string& path, const txt2ico::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(path + ": cannot be written");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        bool preview = false;
        int scale = 8;
        txt2ico::Rgb ground{0, 64, 0};  // the ground the program's buttons are drawn on
        std::string files[2];
        int fileCount = 0;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            const bool hasValue = i + 1 < argc;
            if (arg == "--preview") {
                preview = true;
            } else if (arg == "--scale" && hasValue) {
                scale = std::stoi(argv[++i]);
            } else if (arg == "--ground" && hasValue) {
                ground = parseGround(argv[++i]);
            } else if (arg.size() > 1 && arg[0] == '-') {
                throw std::invalid_argument("unknown option " + arg);
            } else if (fileCount < 2) {
                files[fileCount++] = arg;
            } else {
                throw std::invalid_argument("too many arguments");
            }
        }
        if (fileCount != 2) throw std::invalid_argument("expected an input and an output file");

        const txt2ico::Picture picture = txt2ico::readPicture(files[0]);
        writeFile(files[1], preview ? txt2ico::encodePreviewPng(picture, scale, ground)
                                    : txt2ico::encodeIco(picture));
        return 0;
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "txt2ico: %s\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "txt2ico: %s\n", e.what());
        return 1;
    }
}
