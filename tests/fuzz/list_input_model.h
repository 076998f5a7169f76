#pragma once

// A plain index-walking model of the list-input rules in src/recipients/list_input.h, with no attention
// to speed and nothing in common with the program's streaming reader. The fuzz target holds the parser
// against it; the end-to-end driver holds the program's list against it for hostile files.

#include <cstddef>
#include <string_view>
#include <vector>

namespace list_input_model {

struct Entry {
    std::size_t begin;  // offset of the entry's first byte in the input
    std::size_t size;
    // How many bytes of input must have been read before the parser can know the entry is complete:
    // up to and including its delimiter, or its closing quote; the input's size + 1 when only the end
    // of input completes it.
    std::size_t known_after;
};

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool IsDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

inline std::vector<Entry> Entries(std::string_view in)
{
    std::vector<Entry> out;
    const std::size_t n = in.size();
    const std::size_t at_end = n + 1;
    std::size_t i = 0;
    while (i < n) {  // input remains, so an entry starts
        while (i < n && IsBlank(in[i]))
            ++i;
        if (i == n) {
            out.push_back({i, 0, at_end});
            break;
        }
        if (in[i] == '"') {
            const std::size_t open = i;
            const std::size_t close = in.find('"', open + 1);
            if (close == std::string_view::npos) {  // never closed: runs to the end
                out.push_back({open + 1, n - open - 1, at_end});
                break;
            }
            out.push_back({open + 1, close - open - 1, close + 1});
            i = close + 1;
            while (i < n && !IsDelimiter(in[i]))  // dropped up to the comma or line end
                ++i;
        } else {
            std::size_t stop = i;
            while (stop < n && !IsDelimiter(in[stop]))
                ++stop;
            out.push_back({i, stop - i, stop < n ? stop + 1 : at_end});
            i = stop;
        }
        if (i == n)
            break;
        i += (in[i] == '\r' && i + 1 < n && in[i + 1] == '\n') ? 2 : 1;
    }
    return out;
}

}  // namespace list_input_model
