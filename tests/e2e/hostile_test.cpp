// Recipient files that nobody would write on purpose, through the real program: whatever the bytes, the
// window opens in good time, the list shows what the reading rules give, the program does not crash, and
// the file keeps every byte (reading never writes).
//
// The expected list comes from the model of the reading rules that the fuzz target uses too, byte by byte
// and on the whole file at once, so that it shares nothing with the program's streaming reader (64 KiB
// pieces).

#include "harness.h"
#include "list_input_model.h"
#include "program.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace e2e {
namespace {

// What the list shows for an entry: its code page 1251 text, up to a NUL (list items are C strings).
std::wstring Shown(const std::string& entry)
{
    std::wstring text(entry.size(), L'\0');
    if (!entry.empty()) {
        const int made = MultiByteToWideChar(1251, 0, entry.data(), static_cast<int>(entry.size()), &text[0],
                                             static_cast<int>(text.size()));
        text.resize(made > 0 ? static_cast<size_t>(made) : 0);
    }
    return text.substr(0, text.find(L'\0'));
}

std::string Repeat(const std::string& piece, size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Deterministic, so a failure can be repeated.
std::string BinaryJunk()
{
    std::string bytes;
    for (int round = 0; round < 1024; ++round)
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>(value);
    std::mt19937 random(20240601);
    for (size_t i = bytes.size() - 1; i > 0; --i)
        std::swap(bytes[i], bytes[random() % (i + 1)]);
    return bytes;
}

std::string NulBytes()
{
    using namespace std::string_literals;
    return "PC\0hidden\r\n"s + "\0\0\0\r\n"s + "\"\0quoted\"\r\n"s + std::string(70000, '\0') + "\r\nPC3\r\n"s;
}

std::string TenMegabyteLine()
{
    std::string line(10 * 1024 * 1024, '\0');
    static const char kNameBytes[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ-0123456789\xCF\xCA\xF1\xE5\xF0";
    for (size_t i = 0; i < line.size(); ++i)
        line[i] = kNameBytes[i % (sizeof kNameBytes - 1)];
    return line;
}

std::string UnterminatedQuote()
{
    std::string bytes = "PC1\r\n\"PC2, PC3\r\n";
    for (int i = 0; i < 10000; ++i)  // well past the first 64 KiB piece
        bytes += "PC" + std::to_string(i) + ",x\r\n";
    return bytes;
}

// Names of 16 bytes ended by `lineEnd`, with one line end falling on the last byte of the first 64 KiB
// piece (a CR there must not be taken for a whole CR LF before the next piece is seen).
std::string NamesEndedBy(const std::string& lineEnd)
{
    std::string bytes;
    for (int i = 0; bytes.size() < 200000; ++i) {
        std::string name = "PC-" + std::to_string(100000 + i);
        if (bytes.size() < 65536 && bytes.size() + 16 + lineEnd.size() > 65536)
            name.resize(65536 - bytes.size() - lineEnd.size(), 'x');  // ends on byte 65535
        else
            name.resize(16, 'x');
        bytes += name + lineEnd;
    }
    return bytes;
}

std::string MixedLineEnds() { return Repeat("PC1\n\rPC2\r\r\nPC3\r\n\n", 5000) + "PC4"; }

std::string Utf8ByteOrderMark() { return "\xEF\xBB\xBFPC1\r\n\xD0\x9F\xD0\x9A-2\r\n"; }

// Fifty megabytes of plausible lines: names of 60 to 120 bytes, some quoted, some with commas.
std::string FiftyMegabytes()
{
    std::string bytes;
    bytes.reserve(50u * 1024 * 1024 + 200);
    std::mt19937 random(7);
    for (unsigned i = 0; bytes.size() < 50u * 1024 * 1024; ++i) {
        std::string name = "\xCF\xCA-" + std::to_string(i) + "-";
        name.resize(60 + random() % 61, static_cast<char>('a' + i % 26));
        if (i % 7 == 0)
            bytes += "\"" + name + ", " + name + "\"\r\n";
        else if (i % 11 == 0)
            bytes += name + "," + name + "\r\n";
        else
            bytes += name + "\r\n";
    }
    return bytes;
}

struct HostileCase {
    const char* name;
    std::string (*make)();
    DWORD openBoundMs;  // from the start until the window is shown with the list filled
    // A few known items (index, text), besides what the model says; a negative index counts from the end.
    std::vector<std::pair<int, std::wstring>> known;
};

// Bounds: 10 s, or 20 s for 50 MB (which opens in about 2.5 s under Wine here): from eight to a hundred
// times what the cases take, so that only a real fault (a loop gone quadratic, a hang) trips them.
const HostileCase kHostileFiles[] = {
    {"BinaryJunkAllByteValues", BinaryJunk, 10000, {}},
    {"NulBytes", NulBytes, 10000, {{0, L"PC"}, {1, L""}, {2, L""}, {3, L""}, {4, L"PC3"}}},
    {"SingleTenMegabyteLine", TenMegabyteLine, 10000, {}},
    {"UnterminatedQuote", UnterminatedQuote, 10000, {{0, L"PC1"}}},
    {"TwoHundredThousandEmptyLines", [] { return Repeat("\r\n", 200000); }, 10000, {{0, L""}, {-1, L""}}},
    {"LineOfOnlyCommas", [] { return "PC1\r\n" + std::string(20000, ',') + "\r\nPC2\r\n"; }, 10000,
     {{0, L"PC1"}, {1, L""}, {20001, L""}, {-1, L"PC2"}}},
    {"CrOnlyLineEnds", [] { return NamesEndedBy("\r"); }, 10000, {}},
    {"LfOnlyLineEnds", [] { return NamesEndedBy("\n"); }, 10000, {}},
    {"CrLfAcrossPieces", [] { return NamesEndedBy("\r\n"); }, 10000, {}},
    {"MixedLineEnds", MixedLineEnds, 10000, {{0, L"PC1"}, {1, L""}, {2, L"PC2"}, {3, L""}, {4, L"PC3"}, {5, L""}}},
    {"Utf8ByteOrderMarkIsText", Utf8ByteOrderMark, 10000, {{0, L"п»їPC1"}, {1, L"РџРљ-2"}}},
    {"FiftyMegabytes", FiftyMegabytes, 20000, {}},
};

// Lists this long are checked at some places only: reading every item back takes a window message each.
constexpr size_t kReadEveryItemUpTo = 5000;

// Wine 9 and later never answer another process's request for an item of megabytes (the sender waits
// for ever; measured with a 10 MB item under Wine 10): there the items' lengths show the whole line came.
bool TextCrossesProcesses(const std::vector<std::wstring>& items)
{
    constexpr size_t kLongItem = 1 << 20;
    return WineMajorVersion() < 9 || std::none_of(items.begin(), items.end(), [](const std::wstring& item) {
               return item.size() > kLongItem;
           });
}

E2E_TABLE(HostileFile, HostileCase, kHostileFiles);

TEST_P(HostileFile, Opens)
{
    const HostileCase& row = GetParam();
    const std::string bytes = row.make();
    std::vector<std::wstring> expected;
    for (const list_input_model::Entry& entry : list_input_model::Entries(bytes))
        expected.push_back(Shown(bytes.substr(entry.begin, entry.size)));

    Program app(bytes);
    app.Start();
    const DWORD openedMs = app.OpeningMs();
    std::printf("  %s: %zu bytes, %zu items, window open in %lu ms (bound %lu ms)\n", row.name, bytes.size(),
                expected.size(), static_cast<unsigned long>(openedMs), static_cast<unsigned long>(row.openBoundMs));
    EXPECT_TRUE(openedMs <= UpperBound(row.openBoundMs)) << "the window took " << openedMs << " ms";
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a message box at start-up";

    E2E_ASSERT_EQ(static_cast<size_t>(app.ItemCount()), expected.size());
    if (!TextCrossesProcesses(expected)) {
        for (size_t i = 0; i < expected.size(); ++i)
            E2E_EXPECT_EQ(app.ItemLength(static_cast<int>(i)), expected[i].size()) << "item " << i;
    } else if (expected.size() <= kReadEveryItemUpTo) {
        E2E_EXPECT_EQ(app.Items(), expected);
    } else {
        std::vector<size_t> places = {0, 1, expected.size() / 3, expected.size() / 2, expected.size() - 1};
        std::mt19937 random(static_cast<unsigned>(expected.size()));
        for (int i = 0; i < 20; ++i)
            places.push_back(random() % expected.size());
        for (size_t place : places)
            E2E_EXPECT_EQ(app.Item(static_cast<int>(place)), expected[place]) << "item " << place;
    }
    for (const auto& [index, text] : row.known) {
        const size_t place = index < 0 ? expected.size() + static_cast<size_t>(index) : static_cast<size_t>(index);
        ASSERT_TRUE(place < expected.size());
        E2E_EXPECT_EQ(expected[place], text) << "the model disagrees with a known item " << index;
    }

    // Still alive and answering after the list was read back, and it ends normally.
    EXPECT_TRUE(app.Running()) << "exit code " << app.ExitCode();
    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitForExit(15000)) << "the program did not end after WM_CLOSE";
    E2E_EXPECT_EQ(app.ExitCode(), 0ul);
    const FileBytes after = app.Recipients();
    EXPECT_TRUE(after == FileBytes(bytes)) << "net_send.ini changed: " << (after ? after->size() : 0) << " bytes now, "
                                     << bytes.size() << " before";
}

#ifndef _WIN64
// A names file larger than all the memory a 32-bit program can have (2 GB of address space): two names,
// then 3 GB of zero bytes, one entry without end. The file is sparse, so it takes no room on the disk
// where the system allows that (NTFS and Wine's ext4 do). The window opens with the two names and says
// that memory ran out; the file keeps its bytes. A 64-bit program would read on until the machine's own
// memory ran out, which a test here must not do.
TEST(TooLargeForMemory, OpensWithTheNamesReadAndSaysWhy)
{
    Program app(std::string("PC1\r\nPC2\r\n"));
    LARGE_INTEGER size = {};
    size.QuadPart = 3LL * 1024 * 1024 * 1024;
    {
        const KernelHandle file = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ | GENERIC_WRITE, 0);
        DWORD ignored = 0;
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        ASSERT_TRUE(SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()))
            << "cannot make the file 3 GB long (error " << GetLastError() << ")";
    }
    app.Start();
    std::printf("  the box came %lu ms after the start\n", static_cast<unsigned long>(app.OpeningMs()));
    app.ExpectFailureBox(Failed::Reading, ERROR_NOT_ENOUGH_MEMORY);
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"PC2"}));
    EXPECT_TRUE(app.Running()) << "exit code " << app.ExitCode();
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    ASSERT_TRUE(GetFileAttributesExW(app.PathOf(L"net_send.ini").c_str(), GetFileExInfoStandard, &after));
    E2E_EXPECT_EQ((static_cast<ULONGLONG>(after.nFileSizeHigh) << 32) | after.nFileSizeLow,
                  static_cast<ULONGLONG>(size.QuadPart));
}
#endif

}  // namespace
}  // namespace e2e
