// The built-in Windows-1251 table of the portable build.

#include "common/failure.h"
#include "recipients/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RecipientsCodePage1251, CyrillicBytesRead)
{
    EXPECT_EQ(AnsiToWide("\xCF\xCA-1"), L"ПК-1");
    EXPECT_EQ(AnsiToWide("\xC0\xDF\xE0\xFF"), L"АЯая");
    EXPECT_EQ(AnsiToWide("\xA8\xB8"), L"Ёё");
    EXPECT_EQ(AnsiToWide("\x88\xB9\x96\xA0"), L"\u20AC\u2116\u2013\u00A0");  // € № – no-break space
    EXPECT_EQ(AnsiToWide("\xA5\xB4\xAA\xBA\xB2\xB3\xAF\xBF"), L"ҐґЄєІіЇї");
    EXPECT_EQ(AnsiToWide(""), L"");
}

TEST(RecipientsCodePage1251, UnassignedByteReadsAsItsC1Control)
{
    // Windows-1251 leaves 0x98 unassigned; MultiByteToWideChar gives U+0098, and so do we.
    EXPECT_EQ(AnsiToWide("\x98"), L"\u0098");
    EXPECT_EQ(WideToAnsi(L"\u0098"), "\x98");
}

TEST(RecipientsCodePage1251, EveryByteComesBackUnchanged)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::wstring wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), all);
}

TEST(RecipientsCodePage1251, ConversionIntoAStringReplacesItsContent)
{
    std::wstring out = L"something long from before";
    AnsiToWide("\xCF\xCA", out);
    EXPECT_EQ(out, L"ПК");
    AnsiToWide("", out);
    EXPECT_EQ(out, L"");
}

TEST(RecipientsCodePage1251, CyrillicNamesAreWritten)
{
    EXPECT_EQ(WideToAnsi(L"ПК-Бухгалтерия 2"), "\xCF\xCA-\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF 2");
    EXPECT_EQ(WideToAnsi(L""), "");
}

TEST(RecipientsCodePage1251, UnrepresentableCharactersAreRefused)
{
    // é and α would "best fit" to e and a on Windows; 中 and 😀 have no 8-bit form at all.
    for (const wchar_t* name : {L"caf\u00E9", L"\u03B1-pc", L"PC\u4E2D", L"\U0001F600", L"\uFFFD"}) {
        try {
            WideToAnsi(name);
            ADD_FAILURE() << "no failure for a name with U+" << std::hex
                          << static_cast<unsigned long>(std::wstring(name).back());
        } catch (const Failure& failure) {
            EXPECT_NE(failure.Text().find(L"нельзя сохранить"), std::wstring::npos);
        }
    }
}

}  // namespace
