// libFuzzer target for the recipient file's reader: the list-input splitter and the built-in
// Windows-1251 conversion of the portable build.
//
// Crashes are not the only failures: every input is also held against invariants, and a broken one
// aborts with a message, which libFuzzer reports and saves like any other crash.
//  - The parser agrees with the plain index-walking model of the rules in list_input_model.h.
//  - Feeding the input in pieces (sizes taken from the input itself, so the fuzzer steers where the
//    boundaries fall), through ReadListInput with short reads, or a second time through the same
//    parser after Finish gives exactly the entries of ParseListInput on the whole input.
//  - Every entry is delivered as soon as its end has been read, and no earlier: a read failure after
//    k bytes leaves exactly the entries whose end lies in those k bytes.
//  - Every entry is a piece of the input, in order and without overlap: quoting only drops the two
//    quotes and what follows the closing one, it never makes up a byte.
//  - A sink that throws stops the parse with its exception and nothing leaks.
//  - Every byte reads as one wide character and WideToAnsi gives the byte back, 0x98 included (it has
//    no character in Windows-1251 and reads as U+0098, as on Windows). The other way round, a wide
//    string is written iff each of its characters is one that some byte reads as, and then reads back
//    unchanged.
//
// Build and run: scripts/fuzz.sh. Replay saved inputs: build/fuzz/list_input_fuzz FILE...

#include "list_input_model.h"

#include "common/failure.h"
#include "recipients/code_page.h"
#include "recipients/list_input.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Entries = std::vector<std::string>;

[[noreturn]] void Broken(const char* invariant, int line)
{
    std::fprintf(stderr, "\n*** invariant broken (list_input_fuzz.cpp:%d): %s\n\n", line, invariant);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_EXPECT(condition)                \
    do {                                      \
        if (!(condition))                     \
            Broken(#condition, __LINE__);     \
    } while (false)

using ModelEntry = list_input_model::Entry;

// ---- Ways of running the parser -------------------------------------------------------------------

ListEntrySink Collect(Entries& entries)
{
    return [&entries](std::string_view entry) { entries.emplace_back(entry); };
}

// Pieces of 1..16 bytes, each size read from the input byte where the piece starts.
Entries FeedSmallPieces(std::string_view in)
{
    Entries entries;
    ListInputParser parser(Collect(entries));
    for (std::size_t at = 0; at < in.size();) {
        const std::size_t size = 1 + static_cast<unsigned char>(in[at]) % 16;
        parser.Feed(in.substr(at, size));
        at += size;
        parser.Feed(std::string_view());  // an empty read changes nothing
    }
    parser.Finish();
    return entries;
}

// Pieces of 1..256 bytes, sizes read from the input backwards, so that runs of 16 bytes and more (the
// fast delimiter search) start and end at every alignment.
Entries FeedLargePieces(std::string_view in)
{
    Entries entries;
    ListInputParser parser(Collect(entries));
    std::size_t k = 0;
    for (std::size_t at = 0; at < in.size(); ++k) {
        const std::size_t size = 1 + static_cast<unsigned char>(in[in.size() - 1 - k % in.size()]);
        parser.Feed(in.substr(at, size));
        at += size;
    }
    parser.Finish();
    return entries;
}

// ReadListInput with a buffer size and short reads both taken from the input; the reader throws once
// `fail_after` bytes have been handed out (never, when that is past the end).
struct ReadOutcome {
    Entries entries;
    bool failed = false;
};

struct ReadFailed {};

ReadOutcome ReadInChunks(std::string_view in, std::size_t fail_after)
{
    ReadOutcome outcome;
    // 1..64 bytes, or 0 for the reader's own default.
    const std::size_t chunk = in.empty() ? 0 : static_cast<unsigned char>(in[in.size() / 2]) % 65;
    std::size_t at = 0;
    std::size_t reads = 0;
    const auto read = [&](char* buffer, std::size_t size) -> std::size_t {
        if (at >= fail_after)
            throw ReadFailed();
        // Short reads: a file may hand out less than asked for before its end.
        const std::size_t want = in.empty() ? size : 1 + static_cast<unsigned char>(in[reads++ % in.size()]) % size;
        const std::size_t n = std::min({want, in.size() - at, fail_after - at});
        std::copy_n(in.data() + at, n, buffer);
        at += n;
        return n;
    };
    try {
        ReadListInput(read, Collect(outcome.entries), chunk);
    } catch (const ReadFailed&) {
        outcome.failed = true;
    }
    return outcome;
}

struct SinkStopped {};

// ---- The checks -----------------------------------------------------------------------------------

void CheckSplitting(std::string_view in)
{
    Entries whole;
    ParseListInput(in, Collect(whole));

    if (in.empty())
        FUZZ_EXPECT(whole.empty());

    const std::vector<ModelEntry> model = list_input_model::Entries(in);
    FUZZ_EXPECT(whole.size() == model.size());
    for (std::size_t i = 0; i < model.size(); ++i)
        FUZZ_EXPECT(whole[i] == in.substr(model[i].begin, model[i].size));

    // Independent of the model's details: entries are pieces of the input, in order, not overlapping.
    std::size_t cursor = 0;
    std::size_t total = 0;
    for (const std::string& entry : whole) {
        const std::size_t found = in.find(entry, cursor);
        FUZZ_EXPECT(found != std::string_view::npos);
        cursor = found + entry.size();
        total += entry.size();
    }
    FUZZ_EXPECT(total <= in.size());

    FUZZ_EXPECT(FeedSmallPieces(in) == whole);
    FUZZ_EXPECT(FeedLargePieces(in) == whole);

    {
        // The same parser twice: Finish leaves nothing of the first input behind.
        Entries twice;
        ListInputParser parser(Collect(twice));
        for (int round = 0; round < 2; ++round) {
            parser.Feed(in);
            parser.Finish();
        }
        Entries expected = whole;
        expected.insert(expected.end(), whole.begin(), whole.end());
        FUZZ_EXPECT(twice == expected);
    }

    const ReadOutcome all = ReadInChunks(in, in.size() + 1);
    FUZZ_EXPECT(!all.failed);
    FUZZ_EXPECT(all.entries == whole);

    if (!in.empty()) {
        // A read failure after `k` bytes: exactly the entries known complete by then were delivered.
        const std::size_t k = static_cast<unsigned char>(in[0]) * in.size() / 256;
        const ReadOutcome cut = ReadInChunks(in, k);
        FUZZ_EXPECT(cut.failed);
        const auto known = static_cast<std::size_t>(std::count_if(
            model.begin(), model.end(), [k](const ModelEntry& e) { return e.known_after <= k; }));
        FUZZ_EXPECT(cut.entries.size() == known);
        FUZZ_EXPECT(std::equal(cut.entries.begin(), cut.entries.end(), whole.begin()));
    }

    if (!whole.empty()) {
        // A sink that throws on the m-th entry: the exception comes out of Feed or Finish, after the
        // entries before it.
        const std::size_t m = static_cast<unsigned char>(in[in.size() - 1]) % whole.size();
        Entries got;
        bool stopped = false;
        try {
            ListInputParser parser([&](std::string_view entry) {
                if (got.size() == m)
                    throw SinkStopped();
                got.emplace_back(entry);
            });
            parser.Feed(in);
            parser.Finish();
        } catch (const SinkStopped&) {
            stopped = true;
        }
        FUZZ_EXPECT(stopped);
        FUZZ_EXPECT(got.size() == m);
        FUZZ_EXPECT(std::equal(got.begin(), got.end(), whole.begin()));
    }

    // Every entry through the code page and back.
    std::wstring reused = L"left over from an earlier entry";
    for (const std::string& entry : whole) {
        const std::wstring wide = AnsiToWide(entry);
        FUZZ_EXPECT(wide.size() == entry.size());
        for (std::size_t i = 0; i < entry.size(); ++i) {
            const auto byte = static_cast<unsigned char>(entry[i]);
            if (byte < 0x80)
                FUZZ_EXPECT(wide[i] == static_cast<wchar_t>(byte));
            else
                FUZZ_EXPECT(wide[i] >= 0x80);
        }
        AnsiToWide(entry, reused);
        FUZZ_EXPECT(reused == wide);
        FUZZ_EXPECT(WideToAnsi(wide) == entry);
    }
}

// What each byte reads as, checked once: 256 different characters, or the way back is ambiguous.
const std::array<wchar_t, 256>& ByteCharacters()
{
    static const std::array<wchar_t, 256> table = [] {
        std::string bytes(256, '\0');
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<char>(b);
        const std::wstring wide = AnsiToWide(bytes);
        FUZZ_EXPECT(wide.size() == 256);
        std::array<wchar_t, 256> result{};
        std::copy(wide.begin(), wide.end(), result.begin());
        std::array<wchar_t, 256> sorted = result;
        std::sort(sorted.begin(), sorted.end());
        FUZZ_EXPECT(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
        return result;
    }();
    return table;
}

bool IsByteCharacter(wchar_t c)
{
    const std::array<wchar_t, 256>& table = ByteCharacters();
    return std::find(table.begin(), table.end(), c) != table.end();
}

// The input as UTF-16 units (little-endian, as on Windows), written and read back.
void CheckWriting(std::string_view in)
{
    std::wstring text;
    for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(in[i]) | (static_cast<unsigned char>(in[i + 1]) << 8);
        text += static_cast<wchar_t>(unit);
    }
    const bool writable = std::all_of(text.begin(), text.end(), IsByteCharacter);
    try {
        const std::string bytes = WideToAnsi(text);
        FUZZ_EXPECT(writable);
        FUZZ_EXPECT(bytes.size() == text.size());
        FUZZ_EXPECT(AnsiToWide(bytes) == text);
    } catch (const Failure& failure) {
        FUZZ_EXPECT(!writable);
        FUZZ_EXPECT(!failure.Text().empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    CheckSplitting(in);
    CheckWriting(in);
    return 0;
}
