// The list-input reader, every case fed in
// pieces of several sizes so that an entry, a blank run, a quote or a CR LF split between two reads is
// handled exactly like one in the middle of a read.

#include "recipients/list_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

struct Case {
    const char* what;
    std::string input;
    Entries expected;
};

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        // The classic cases.
        {"CR LF after every line gives no empty entry at the end", "PC1\r\nPC2\r\n", {"PC1", "PC2"}},
        {"last line without line end", "PC1\r\nPC2", {"PC1", "PC2"}},
        {"blank line between names", "PC1\r\n\r\nPC2\r\n", {"PC1", "", "PC2"}},
        {"comma splits a line", "a,b\r\n", {"a", "b"}},
        {"leading blanks dropped", "   PC1\r\n \t PC2\r\n", {"PC1", "PC2"}},
        {"quoted field keeps its comma", "\"a,b\"\r\nc\r\n", {"a,b", "c"}},
        {"lone CR ends a line", "PC1\rPC2\r", {"PC1", "PC2"}},
        // Mended faults.
        {"empty input", "", {}},
        {"lone LF ends a line", "PC1\nPC2\n", {"PC1", "PC2"}},
        {"line ends of every kind mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        // Further rules.
        {"trailing comma before a line end gives an empty entry", "a,\r\n", {"a", ""}},
        {"trailing comma at the very end gives nothing more", "a,", {"a"}},
        {"nothing between two commas", "a,,b", {"a", "", "b"}},
        {"only a line end", "\r\n", {""}},
        {"only blanks", "   ", {""}},
        {"blanks after the last line end make one empty entry", "a\r\n  ", {"a", ""}},
        {"blanks at the end of an entry are kept", "PC 1  \r\nx", {"PC 1  ", "x"}},
        {"CR CR LF is a lone CR, then an empty line", "a\r\r\nb", {"a", "", "b"}},
        {"LF CR is two line ends", "a\n\rb", {"a", "", "b"}},
        {"quote inside an unquoted entry is kept", "ab\"c,d", {"ab\"c", "d"}},
        {"unterminated quote runs to the end", "\"abc,\r\ndef", {"abc,\r\ndef"}},
        {"quoted field keeps line ends", "\"a\r\nb\"\r\nc", {"a\r\nb", "c"}},
        {"bytes between closing quote and delimiter are dropped", "\"a b\" junk\"x,c\r\n", {"a b", "c"}},
        {"quoted field with CR LF after it", "\"q\"\r\n", {"q"}},
        {"quoted field with lone CR after it", "\"q\"\rx", {"q", "x"}},
        {"quoted field at the very end", "x,\"q\"", {"x", "q"}},
        {"blanks before a quote", "  \"q\",r", {"q", "r"}},
        {"empty quoted field", "\"\"\r\nx", {"", "x"}},
        {"lone opening quote at the end", "x\r\n\"", {"x", ""}},
        {"blanks inside quotes are kept", "\"  a  \"", {"  a  "}},
        {"8-bit bytes pass unchanged", "\xCF\xCA-1\r\n\x98\xFF\r\n", {"\xCF\xCA-1", "\x98\xFF"}},
        {"NUL bytes are ordinary", std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    return cases;
}

// Feeds `input` to a parser in pieces of `piece` bytes.
Entries ParseInPieces(const std::string& input, std::size_t piece)
{
    Entries entries;
    ListInputParser parser([&](std::string_view entry) { entries.emplace_back(entry); });
    for (std::size_t at = 0; at < input.size(); at += piece)
        parser.Feed(std::string_view(input).substr(at, piece));
    parser.Finish();
    return entries;
}

const std::size_t kPieceSizes[] = {1, 2, 3, 5, 7, 64 * 1024};

TEST(RecipientsListInput, EveryCaseInPiecesOfEverySize)
{
    for (const Case& c : Cases()) {
        for (const std::size_t piece : kPieceSizes) {
            EXPECT_EQ(ParseInPieces(c.input, piece), c.expected) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(RecipientsListInput, EveryCaseSplitAtEveryPosition)
{
    for (const Case& c : Cases()) {
        for (std::size_t split = 0; split <= c.input.size(); ++split) {
            Entries entries;
            ListInputParser parser([&](std::string_view entry) { entries.emplace_back(entry); });
            parser.Feed(std::string_view(c.input).substr(0, split));
            parser.Feed(std::string_view());  // an empty read changes nothing
            parser.Feed(std::string_view(c.input).substr(split));
            parser.Finish();
            EXPECT_EQ(entries, c.expected) << c.what << ", split at " << split;
        }
    }
}

TEST(RecipientsListInput, ReadListInputWithEveryChunkSize)
{
    for (const Case& c : Cases()) {
        for (const std::size_t chunk : kPieceSizes) {
            std::size_t at = 0;
            Entries entries;
            ReadListInput(
                [&](char* buffer, std::size_t size) {
                    const std::size_t n = std::min(size, c.input.size() - at);
                    std::copy_n(c.input.data() + at, n, buffer);
                    at += n;
                    return n;
                },
                [&](std::string_view entry) { entries.emplace_back(entry); }, chunk);
            EXPECT_EQ(entries, c.expected) << c.what << ", chunks of " << chunk;
        }
    }
}

TEST(RecipientsListInput, EntriesBeforeAReadFailureStayDelivered)
{
    const std::string first = "PC1\r\nPC2\r\nPC";
    int reads = 0;
    Entries entries;
    const auto read = [&](char* buffer, std::size_t size) -> std::size_t {
        if (++reads > 1)
            throw std::runtime_error("disk gone");
        EXPECT_GE(size, first.size());
        std::copy(first.begin(), first.end(), buffer);
        return first.size();
    };
    EXPECT_THROW(ReadListInput(read, [&](std::string_view entry) { entries.emplace_back(entry); }),
                 std::runtime_error);
    EXPECT_EQ(entries, (Entries{"PC1", "PC2"}));  // the unfinished "PC" is not delivered
}

TEST(RecipientsListInput, EntriesArriveAsSoonAsTheirEndIsSeen)
{
    Entries entries;
    ListInputParser parser([&](std::string_view entry) { entries.emplace_back(entry); });
    parser.Feed("PC1\r");
    EXPECT_EQ(entries, (Entries{"PC1"}));
    parser.Feed("\nPC2,");
    EXPECT_EQ(entries, (Entries{"PC1", "PC2"}));
    parser.Feed("PC3");
    EXPECT_EQ(entries, (Entries{"PC1", "PC2"}));
    parser.Finish();
    EXPECT_EQ(entries, (Entries{"PC1", "PC2", "PC3"}));
}

TEST(RecipientsListInput, ParserStartsAfreshAfterFinish)
{
    Entries entries;
    ListInputParser parser([&](std::string_view entry) { entries.emplace_back(entry); });
    parser.Feed("\"open");
    parser.Finish();
    parser.Feed("a,b");
    parser.Finish();
    EXPECT_EQ(entries, (Entries{"open", "a", "b"}));
}

TEST(RecipientsListInput, ManyEntriesAcrossManyChunks)
{
    // Entries of every length from 0 to 299 with every kind of delimiter, some quoted, read in the real
    // chunk size and in an odd small one, so that many entries straddle a chunk boundary.
    std::string input;
    Entries expected;
    const char* const delimiters[] = {"\r\n", ",", "\r", "\n"};
    for (int round = 0; round < 20; ++round) {
        for (std::size_t length = 0; length < 300; ++length) {
            std::string entry(length, static_cast<char>('A' + length % 26));
            if (length % 7 == 3) {
                entry[length / 2] = ',';
                input += '"' + entry + '"';
            } else {
                input += entry;
            }
            input += delimiters[(length + static_cast<std::size_t>(round)) % 4];
            expected.push_back(entry);
        }
    }
    for (const std::size_t chunk : {std::size_t{4093}, kListInputChunkSize}) {
        std::size_t at = 0;
        Entries entries;
        ReadListInput(
            [&](char* buffer, std::size_t size) {
                const std::size_t n = std::min(size, input.size() - at);
                std::copy_n(input.data() + at, n, buffer);
                at += n;
                return n;
            },
            [&](std::string_view entry) { entries.emplace_back(entry); }, chunk);
        EXPECT_EQ(entries, expected) << "chunks of " << chunk;
    }
}

TEST(RecipientsListInput, FastDelimiterSearchAgreesWithTheByteLoop)
{
    // Every start and end inside a buffer with delimiters scattered at random, so the fast search is
    // checked at every alignment, with and without a whole block left, and with hits at every offset.
    std::string buffer(300, 'x');
    unsigned seed = 12345;
    for (char& c : buffer) {
        seed = seed * 1103515245u + 12345u;
        const unsigned pick = (seed >> 16) % 40;
        c = pick == 0 ? ',' : pick == 1 ? '\r' : pick == 2 ? '\n' : pick == 3 ? '\x8D' : static_cast<char>('a' + pick);
    }
    const char* const data = buffer.data();
    for (std::size_t from = 0; from < 64; ++from) {
        for (std::size_t to = from; to <= buffer.size(); ++to) {
            ASSERT_EQ(list_input_detail::FindDelimiter(data + from, data + to),
                      list_input_detail::FindDelimiterBytewise(data + from, data + to))
                << "from " << from << " to " << to;
        }
    }
    const std::string none(100, 'z');
    EXPECT_EQ(list_input_detail::FindDelimiter(none.data(), none.data() + none.size()), none.data() + none.size());
}

}  // namespace
