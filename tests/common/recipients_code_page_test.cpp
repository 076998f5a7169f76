// The conversion between the names file's 8-bit text and the program's wide text, in code page 1251:
// natively the built-in table, on Windows the system's ANSI code page (the test runner starts Wine
// with LANG=ru_RU.UTF-8 for it).

#include "common/failure.h"
#include "recipients/code_page.h"
#include "recipients_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RecipientsCodePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(recipients_test::AnsiCodePage(), 1251u) << "these cases need the Russian ANSI code page";
    }
};

TEST_F(RecipientsCodePage, CyrillicBytesRead)
{
    EXPECT_EQ(AnsiToWide("\xCF\xCA-1"), L"ПК-1");
    EXPECT_EQ(AnsiToWide("\xC0\xDF\xE0\xFF"), L"АЯая");
    EXPECT_EQ(AnsiToWide("\xA8\xB8"), L"Ёё");
    EXPECT_EQ(AnsiToWide("\x88\xB9\x96\xA0"), L"\u20AC\u2116\u2013\u00A0"); // € № – no-break space
    EXPECT_EQ(AnsiToWide("\xA5\xB4\xAA\xBA\xB2\xB3\xAF\xBF"), L"ҐґЄєІіЇї");
    EXPECT_EQ(AnsiToWide(""), L"");
}

TEST_F(RecipientsCodePage, UnassignedByteReadsAsItsC1Control)
{
    // Windows-1251 leaves 0x98 unassigned; the system gives U+0098, and so does the built-in table.
    EXPECT_EQ(AnsiToWide("\x98"), L"\u0098");
    EXPECT_EQ(WideToAnsi(L"\u0098"), "\x98");
}

TEST_F(RecipientsCodePage, EveryByteReadsAsOneCharacterAndComesBack)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::wstring wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), all);
}

TEST_F(RecipientsCodePage, ConversionIntoAStringReplacesItsContent)
{
    std::wstring out = L"something long from before";
    AnsiToWide("\xCF\xCA", out);
    EXPECT_EQ(out, L"ПК");
    AnsiToWide("", out);
    EXPECT_EQ(out, L"");
}

TEST_F(RecipientsCodePage, CyrillicNamesAreWritten)
{
    EXPECT_EQ(WideToAnsi(L"ПК-Бухгалтерия 2"), "\xCF\xCA-\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF 2");
    EXPECT_EQ(WideToAnsi(L""), "");
}

TEST_F(RecipientsCodePage, UnrepresentableCharactersAreRefusedNotReplaced)
{
    // é and α have "best fit" look-alikes (e, a) in 1251; 中 and 😀 (a surrogate pair) have no form at
    // all; U+FFFD is what a lossy conversion would leave; a lone surrogate is not even a character.
    const wchar_t* const names[] = {L"caf\u00E9", L"\u03B1-pc", L"PC\u4E2D", L"\U0001F600", L"\uFFFD", L"a\xD800z"};
    for (std::size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        SCOPED_TRACE("name " + std::to_string(i));
        try {
            const std::string bytes = WideToAnsi(names[i]);
            ADD_FAILURE() << "no failure; got \"" << bytes << "\"";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Text(), L"В имени есть знаки, которых нет в кодировке файла (ANSI, кодовая страница 1251).");
        }
    }
}

} // namespace
