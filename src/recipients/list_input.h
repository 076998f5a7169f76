#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Splits 8-bit text into list-input entries, the way the names file has always been read.
// The rules, byte by byte:
//  - Blanks (space or tab) before an entry are skipped.
//  - An entry that then begins with a double quote runs to the next double quote; both quotes are
//    dropped, commas and line ends between them are kept. Whatever stands between the closing quote
//    and the next comma or line end is dropped too (`"a b" x,c` gives `a b` and `c`). A quote that is
//    never closed runs to the end of the input.
//  - Any other entry runs up to, not including, the next comma, line end or end of input. Blanks at
//    its end are kept.
//  - The comma or line end that ends an entry is consumed with it. A line end is CR LF, a lone CR or a
//    lone LF.
//  - After that, a new entry begins if any input remains, even if it is only blanks or a line end. So
//    "PC1\r\nPC2\r\n" gives PC1, PC2 and nothing more; "a,\r\n" gives a and an empty entry; a lone "a,"
//    at the very end gives only a; an empty line gives one empty entry.
//  - Empty input gives no entries at all (an empty file is not an error).
// Only the bytes ' ', '\t', '"', ',', CR and LF have a meaning. None of them can be the second byte of
// a double-byte character in the Windows ANSI code pages, so the split is safe for those too.

// Receives one entry. The view is valid only during the call.
using ListEntrySink = std::function<void(std::string_view entry)>;

// Streaming parser: feed it the input in pieces of any size (down to single bytes); every entry is
// delivered as soon as its end has been seen, so entries delivered before a later read failure stay
// delivered. It keeps only the unfinished entry between pieces. If the sink throws, the parser must
// not be used any further.
class ListInputParser {
public:
    explicit ListInputParser(ListEntrySink sink);

    // The next piece of the input.
    void Feed(std::string_view piece);

    // The input has ended: delivers the entry that the end of input terminates, if any. The parser can
    // then start on a new input.
    void Finish();

private:
    enum class State {
        kBetween,     // the previous entry and its delimiter are consumed; no entry has started yet
        kBlanks,      // an entry has started with blanks; nothing else of it seen yet
        kUnquoted,    // inside an unquoted entry
        kQuoted,      // inside a quoted entry, after its opening quote
        kAfterQuote,  // the quoted entry is delivered; dropping bytes up to the comma or line end
        kAfterCr,     // a CR ended the last entry; an LF right after it belongs to the same line end
    };

    void Deliver(const char* begin, const char* end);

    ListEntrySink sink_;
    State state_ = State::kBetween;
    std::string pending_;  // the part of an unfinished entry that lay in earlier pieces
};

// Size of the pieces ReadListInput asks for.
inline constexpr std::size_t kListInputChunkSize = std::size_t{64} * 1024;

// Reads into the buffer at most `size` bytes of the input and returns how many; 0 means end of input.
// Reports failures by throwing.
using ChunkReader = std::function<std::size_t(char* buffer, std::size_t size)>;

// Reads the whole input piece by piece through a ListInputParser. A failure of `read` propagates after
// the entries before it have been delivered.
void ReadListInput(const ChunkReader& read, const ListEntrySink& sink,
                   std::size_t chunkSize = kListInputChunkSize);

// The entries of a complete input held in memory.
void ParseListInput(std::string_view input, const ListEntrySink& sink);

namespace list_input_detail {

// The first comma, CR or LF in [from, end), or `end`. FindDelimiter is what the parser uses (several
// bytes at a time where the processor allows); FindDelimiterBytewise is the plain loop it must agree
// with. Exposed for the tests.
const char* FindDelimiter(const char* from, const char* end);
const char* FindDelimiterBytewise(const char* from, const char* end);

}  // namespace list_input_detail
