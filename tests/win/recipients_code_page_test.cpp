// The ANSI conversion of the Windows build, with the code page the target machines have (1251; the
// test runner starts Wine with LANG=ru_RU.UTF-8 for it).

#include "common/failure.h"
#include "recipients/code_page.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

class RecipientsAnsiCodePage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 1251u) << "these tests need the Russian ANSI code page"; }
};

TEST_F(RecipientsAnsiCodePage, CyrillicBytesRead)
{
    EXPECT_EQ(AnsiToWide("\xCF\xCA-1"), L"ПК-1");
    EXPECT_EQ(AnsiToWide("\xC0\xDF\xE0\xFF\xA8\xB8"), L"АЯаяЁё");
    EXPECT_EQ(AnsiToWide("\x88\xB9"), L"\u20AC\u2116");
    EXPECT_EQ(AnsiToWide(""), L"");
}

TEST_F(RecipientsAnsiCodePage, ConversionIntoAStringReplacesItsContent)
{
    std::wstring out = L"something long from before";
    AnsiToWide("\xCF\xCA", out);
    EXPECT_EQ(out, L"ПК");
    AnsiToWide("", out);
    EXPECT_EQ(out, L"");
}

TEST_F(RecipientsAnsiCodePage, EveryByteReadsAsOneCharacterAndComesBack)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::wstring wide = AnsiToWide(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), all);
}

TEST_F(RecipientsAnsiCodePage, CyrillicNamesAreWritten)
{
    EXPECT_EQ(WideToAnsi(L"ПК-Бухгалтерия 2"), "\xCF\xCA-\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF 2");
    EXPECT_EQ(WideToAnsi(L""), "");
}

TEST_F(RecipientsAnsiCodePage, UnrepresentableCharactersAreRefusedNotReplaced)
{
    // é and α have "best fit" look-alikes (e, a) in 1251; 中 and 😀 (a surrogate pair) have no form at
    // all; a lone surrogate is not even a character.
    for (const wchar_t* name : {L"caf\u00E9", L"\u03B1-pc", L"PC\u4E2D", L"\U0001F600", L"a\xD800z"}) {
        try {
            const std::string bytes = WideToAnsi(name);
            ADD_FAILURE() << "no failure; got \"" << bytes << "\" for the name at " << name;
        } catch (const Failure& failure) {
            EXPECT_NE(failure.Text().find(L"нельзя сохранить"), std::wstring::npos);
            EXPECT_NE(failure.Text().find(L"1251"), std::wstring::npos);
        }
    }
}

}  // namespace
