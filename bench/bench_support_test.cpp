// The generated files and the reading floor: a ratio is only worth something if both sides of it read
// what they are supposed to.

#include "name_list.h"
#include "read_floor.h"

#include "recipients/list_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Entries(const std::string& text)
{
    std::vector<std::string> entries;
    ParseListInput(text, [&entries](std::string_view entry) { entries.emplace_back(entry); });
    return entries;
}

TEST(NameList, HoldsExactlyTheNamesAskedFor)
{
    for (const std::size_t count : {0u, 1u, 2u, 5u, 6u, 7u, 99u, 100u, 10000u})
        EXPECT_EQ(Entries(bench::MakeNameList(count)).size(), count) << count;
}

TEST(NameList, SameCountSameBytes)
{
    EXPECT_EQ(bench::MakeNameList(500), bench::MakeNameList(500));
    EXPECT_EQ(bench::MakeNameLines(500), bench::MakeNameLines(500));
}

// The opening benchmark's file: the program and a floor splitting at line ends must list the same names.
TEST(NameLines, OneNameToEachLine)
{
    for (const std::size_t count : {0u, 1u, 7u, 10000u}) {
        const std::string text = bench::MakeNameLines(count);
        const std::vector<std::string> entries = Entries(text);
        EXPECT_EQ(entries.size(), count);
        EXPECT_EQ(bench::CountLines(text), count);
        EXPECT_EQ(text.find_first_of(",\""), std::string::npos);
        for (const std::string& entry : entries)
            EXPECT_GE(entry.size(), 6u);
    }
}

TEST(NameList, LinesEndInCrLf)
{
    const std::string text = bench::MakeNameList(300);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::size_t crlf = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++crlf;
    EXPECT_EQ(crlf, bench::CountLines(text));
}

TEST(NameList, MixesLatinCyrillicQuotesAndCommas)
{
    const std::string text = bench::MakeNameList(1000);
    std::size_t cyrillic = 0;
    std::size_t latin = 0;
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        cyrillic += b >= 0xC0;
        latin += (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    }
    EXPECT_GT(cyrillic, text.size() / 5);
    EXPECT_GT(latin, text.size() / 5);

    std::size_t quotedWithComma = 0;
    for (const std::string& entry : Entries(text)) {
        EXPECT_GE(entry.size(), 6u);
        EXPECT_LE(entry.size(), 18u);
        quotedWithComma += entry.find(", ") != std::string::npos;
    }
    EXPECT_GT(quotedWithComma, 50u);
    EXPECT_LT(bench::CountLines(text), 1000u) << "some lines should hold two names";
}

std::vector<std::wstring> SplitLines(const std::vector<std::string>& pieces)
{
    std::vector<std::wstring> lines;
    const std::function<void(const std::wstring&)> deliver = [&lines](const std::wstring& l) { lines.push_back(l); };
    bench::LineSplitter splitter(deliver);
    for (const std::string& piece : pieces)
        splitter.Feed(piece);
    splitter.Finish();
    EXPECT_EQ(static_cast<std::size_t>(splitter.Lines()), lines.size());
    return lines;
}

TEST(LineSplitter, SplitsAtLineEndsAndDropsTheCr)
{
    EXPECT_EQ(SplitLines({"a,b\r\n\"c\"\r\nlast"}), (std::vector<std::wstring>{L"a,b", L"\"c\"", L"last"}));
}

TEST(LineSplitter, LinesAcrossPieces)
{
    EXPECT_EQ(SplitLines({"PC", "1\r", "\nPC2\r\n"}), (std::vector<std::wstring>{L"PC1", L"PC2"}));
}

TEST(LineSplitter, ConvertsWindows1251)
{
    EXPECT_EQ(SplitLines({"\xCF\xCA-1\r\n"}), (std::vector<std::wstring>{L"ПК-1"}));
}

TEST(LineSplitter, EmptyInputNoLines)
{
    EXPECT_TRUE(SplitLines({""}).empty());
}

}  // namespace
