#include "name_list.h"

#include <cstdint>

namespace bench {
namespace {

// A small fixed generator: the files must not depend on the standard library's engines.
class Lcg {
public:
    std::uint32_t Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t Below(std::uint32_t limit) { return Next() % limit; }

private:
    std::uint64_t state_ = 0x6E65745F73656E64ULL;
};

const char kLatin[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

void AppendName(Lcg& random, std::string& out)
{
    const std::uint32_t length = 6 + random.Below(10);
    const bool cyrillic = random.Below(2) == 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (cyrillic && i % 4 != 3) {
            // А..я are the bytes 0xC0..0xFF in Windows-1251.
            out += static_cast<char>(0xC0 + random.Below(64));
        } else {
            out += kLatin[random.Below(sizeof kLatin - 1)];
        }
    }
}

}  // namespace

std::string MakeNameList(std::size_t count)
{
    Lcg random;
    std::string out;
    out.reserve(count * 13);
    std::size_t made = 0;
    for (std::size_t line = 0; made < count; ++line) {
        if (line % 8 == 7) {
            out += '"';
            AppendName(random, out);
            out += ", ";
            out += static_cast<char>(0xC0 + random.Below(64));  // a Cyrillic letter after the comma
            out += '"';
            ++made;
        } else if (line % 5 == 4 && count - made >= 2) {
            AppendName(random, out);
            out += ',';
            AppendName(random, out);
            made += 2;
        } else {
            AppendName(random, out);
            ++made;
        }
        out += "\r\n";
    }
    return out;
}

std::string MakeNameLines(std::size_t count)
{
    Lcg random;
    std::string out;
    out.reserve(count * 13);
    for (std::size_t made = 0; made < count; ++made) {
        AppendName(random, out);
        out += "\r\n";
    }
    return out;
}

std::size_t CountLines(const std::string& text)
{
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n';
    return lines;
}

}  // namespace bench
