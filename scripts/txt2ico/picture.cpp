#include "picture.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace txt2ico {

const std::array<Rgb, kVgaColours> kVga = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

const std::array<const char*, kVgaColours> kVgaNames = {{
    "black", "dark red", "dark green", "olive", "navy", "purple", "teal", "silver",
    "grey", "red", "green", "yellow", "blue", "fuchsia", "aqua", "white",
}};

const std::vector<int>& colourTable(int colours) {
    static const std::vector<int> sixteen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    static const std::vector<int> eight = {0, 9, 10, 11, 12, 13, 14, 15};
    static const std::vector<int> two = {0, 15};
    switch (colours) {
    case 16: return sixteen;
    case 8: return eight;
    case 2: return two;
    default: throw std::invalid_argument("an icon image has 16, 8 or 2 colours");
    }
}

namespace {

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool parseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 4 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::stoi(s);
    return true;
}

int colourByName(const std::string& name) {
    if (name == "transparent") return kTransparent;
    for (int i = 0; i < kVgaColours; ++i)
        if (name == kVgaNames[static_cast<std::size_t>(i)]) return i;
    throw std::invalid_argument("unknown colour \"" + name + "\"");
}

}  // namespace

Picture parsePicture(const std::string& text, const std::string& source) {
    std::vector<std::string> lines;
    {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(trimRight(line));
    }
    std::size_t lineNo = 0;
    auto fail = [&](const std::string& what) {
        throw std::runtime_error(source + ":" + std::to_string(lineNo) + ": " + what);
    };

    std::map<char, int> colourOf;
    Picture picture;
    while (lineNo < lines.size()) {
        const std::string& line = lines[lineNo++];
        const std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == ';') continue;

        if (w[0] == "colour") {
            if (w.size() < 3 || w[1].size() != 1) fail("expected: colour CHARACTER NAME");
            std::string name = w[2];
            for (std::size_t i = 3; i < w.size(); ++i) name += " " + w[i];
            int index = 0;
            try {
                index = colourByName(name);
            } catch (const std::invalid_argument& e) {
                fail(e.what());
            }
            if (!colourOf.emplace(w[1][0], index).second) fail(std::string("'") + w[1] + "' is defined twice");
        } else if (w[0] == "image") {
            Image image;
            const std::size_t x = w.size() == 3 ? w[1].find('x') : std::string::npos;
            if (x == std::string::npos || !parseInt(w[1].substr(0, x), image.width) ||
                !parseInt(w[1].substr(x + 1), image.height) || !parseInt(w[2], image.colours))
                fail("expected: image WIDTHxHEIGHT COLOURS");
            if (image.width < 1 || image.width > 256 || image.height < 1 || image.height > 256)
                fail("an icon image is 1 to 256 pixels wide and high");
            if (image.colours != 16 && image.colours != 8 && image.colours != 2)
                fail("an icon image has 16, 8 or 2 colours");
            const std::vector<int>& table = colourTable(image.colours);
            for (int y = 0; y < image.height; ++y) {
                if (lineNo == lines.size()) fail("the image ends after " + std::to_string(y) + " rows");
                const std::string& row = lines[lineNo++];
                if (static_cast<int>(row.size()) != image.width)
                    fail("the row has " + std::to_string(row.size()) + " pixels instead of " +
                         std::to_string(image.width));
                for (char c : row) {
                    const auto found = colourOf.find(c);
                    if (found == colourOf.end()) fail(std::string("'") + c + "' is not a defined colour");
                    const int index = found->second;
                    if (index != kTransparent && std::find(table.begin(), table.end(), index) == table.end())
                        fail(std::string(kVgaNames[static_cast<std::size_t>(index)]) + " is not among the " +
                             std::to_string(image.colours) + " colours of this image");
                    image.pixels.push_back(index);
                }
            }
            picture.images.push_back(std::move(image));
        } else {
            fail("expected a comment (;), colour or image line");
        }
    }
    if (picture.images.empty()) fail("the picture has no image");
    return picture;
}

Picture readPicture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return parsePicture(text.str(), path);
}

}  // namespace txt2ico
