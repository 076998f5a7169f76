// ReadRecipients and AppendRecipient on real files in a scratch folder made the current directory (the
// file name is relative to it), natively and on Windows alike.

#include "common/failure.h"
#include "recipients/recipient_file.h"
#include "recipients_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace {

using namespace recipients_test;
using Names = std::vector<RecipientName>;

Names ReadAll()
{
    Names names;
    ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
    return names;
}

class RecipientsFile : public ::testing::Test {
protected:
    void SetUp() override { EnterScratchFolder(); }
    void TearDown() override { LeaveScratchFolder(); }
};

// Reading.

TEST_F(RecipientsFile, MissingFileHoldsNoNamesAndIsNotCreated)
{
    EXPECT_EQ(ReadAll(), Names{});
    EXPECT_FALSE(NamesFileExists());
}

TEST_F(RecipientsFile, EmptyFileHoldsNoNames)
{
    WriteNamesFile("");
    EXPECT_EQ(ReadAll(), Names{});
}

TEST_F(RecipientsFile, NamesAreReadInFileOrderFromTheCodePage)
{
    ASSERT_EQ(AnsiCodePage(), 1251u);
    WriteNamesFile("PC1\r\n\xCF\xCA-\xC1\xF3\xF5\r\n\r\nPC1\r\nlast");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"ПК-Бух", L"", L"PC1", L"last"}));
}

TEST_F(RecipientsFile, BigFileIsReadWhole)
{
    // Several read chunks, entries straddling their boundaries.
    std::string content;
    Names expected;
    for (int i = 0; i < 40000; ++i) {
        const std::string name = "PC-" + std::to_string(i * 7919);
        content += name + "\r\n";
        expected.emplace_back(name.begin(), name.end());
    }
    WriteNamesFile(content);
    EXPECT_EQ(ReadAll(), expected);
}

// The user is told which file, by its full path, and the system's reason; a name as long as a pasted
// paragraph is cut in the message.
TEST_F(RecipientsFile, FolderOfThatNameIsAFailureWithTheFileAndTheSystemsReason)
{
    MakeFolderNamedLikeTheNamesFile();
    const std::wstring opening = ReadFailureText(L"");
    std::wstring reason;
    try {
        ReadAll();
        ADD_FAILURE() << "no failure when reading";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text().substr(0, opening.size()), opening);
        reason = failure.Text().substr(std::min(opening.size(), failure.Text().size()));
    }
    EXPECT_TRUE(IsFolderInsteadOfFileReason(reason)) << "the reason given: " << testing::PrintToString(reason);
    const std::wstring sixty(60, L'x');
    const struct {
        std::wstring name, shown;
    } adds[] = {
        {L"PC1", L"PC1"},
        {sixty, sixty},
        {sixty + L"y", sixty + L"…"},
    };
    for (const auto& add : adds) {
        try {
            AppendRecipient(add.name);
            ADD_FAILURE() << "no failure when appending";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Text(), AddFailureText(add.shown, reason));
        }
    }
}

// Appending.

TEST_F(RecipientsFile, AppendToMissingFileCreatesOneLine)
{
    AppendRecipient(L"PC1");
    EXPECT_EQ(NamesFileContent(), "PC1\r\n");
}

TEST_F(RecipientsFile, AppendEndsAnUnendedLastLineFirst)
{
    WriteNamesFile("PC1");
    AppendRecipient(L"PC2");
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC2\r\n");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"PC2"}));
}

TEST_F(RecipientsFile, AppendKeepsLineEndsOfEveryKind)
{
    WriteNamesFile("a\r\nb\n");
    AppendRecipient(L"c");
    WriteNamesFile(NamesFileContent() + "d\r");
    AppendRecipient(L"e");
    EXPECT_EQ(NamesFileContent(), "a\r\nb\nc\r\nd\re\r\n");
}

TEST_F(RecipientsFile, SameNameTwiceGivesTwoLines)
{
    AppendRecipient(L"PC1");
    AppendRecipient(L"PC1");
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC1\r\n");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"PC1"}));
}

TEST_F(RecipientsFile, EmptyNameWritesAnEmptyLine)
{
    AppendRecipient(L"");
    EXPECT_EQ(NamesFileContent(), "\r\n");
    AppendRecipient(L"PC1");
    AppendRecipient(L"");
    EXPECT_EQ(NamesFileContent(), "\r\nPC1\r\n\r\n");
}

TEST_F(RecipientsFile, NamesAreWrittenUnchangedInTheCodePage)
{
    ASSERT_EQ(AnsiCodePage(), 1251u);
    AppendRecipient(L"  ПК Бухгалтерии ");
    EXPECT_EQ(NamesFileContent(), "  \xCF\xCA \xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xE8 \r\n");
}

TEST_F(RecipientsFile, AppendedNamesReadBack)
{
    const Names names = {L"PC1", L"ПК-2", L"", L"Ёлка", L"server 3", L"\u20AC\u2116", L"PC1"};
    for (const RecipientName& name : names)
        AppendRecipient(name);
    EXPECT_EQ(ReadAll(), names);
}

TEST_F(RecipientsFile, UnrepresentableNameIsRefusedAndTheFileKeepsItsBytes)
{
    WriteNamesFile("PC1");
    try {
        AppendRecipient(L"caf\u00E9");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text(),
                  AddFailureText(L"caf\u00E9", L"В имени есть знаки, которых нет в кодировке файла (ANSI, кодовая "
                                                L"страница " + std::to_wstring(AnsiCodePage()) + L")."));
    }
    EXPECT_EQ(NamesFileContent(), "PC1");
}

TEST_F(RecipientsFile, UnrepresentableNameDoesNotCreateTheFile)
{
    EXPECT_THROW(AppendRecipient(L"\u4E2D"), Failure);
    EXPECT_FALSE(NamesFileExists());
}

// Several processes appending at once.

// Reads "ПК-<process>-<number>" (nothing more); false for anything else.
bool ParseAppenderName(const RecipientName& name, int& process, int& number)
{
    const std::wstring prefix = L"ПК-";
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    std::size_t at = prefix.size();
    const auto readNumber = [&](int& value) {
        const std::size_t begin = at;
        value = 0;
        while (at < name.size() && std::iswdigit(name[at]) && at - begin < 6)
            value = value * 10 + (name[at++] - L'0');
        return at > begin;
    };
    if (!readNumber(process) || at >= name.size() || name[at++] != L'-' || !readNumber(number))
        return false;
    return at == name.size();
}

// The file holds `first` and then every process's names, each whole and in its order, and nothing else.
void ExpectWholeLines(const RecipientName& first, int processes, int appends)
{
    const Names names = ReadAll();
    ASSERT_EQ(names.size(), static_cast<std::size_t>(1 + processes * appends));
    EXPECT_EQ(names[0], first);
    std::vector<int> next(static_cast<std::size_t>(processes), 0);
    for (std::size_t i = 1; i < names.size(); ++i) {
        int process = -1;
        int number = -1;
        ASSERT_TRUE(ParseAppenderName(names[i], process, number)) << "entry " << i;
        ASSERT_TRUE(process >= 0 && process < processes) << "entry " << i;
        EXPECT_EQ(number, next[static_cast<std::size_t>(process)]++) << "entry " << i;
    }
}

TEST_F(RecipientsFile, ProcessesAppendingAtOnceLoseAndJoinNothing)
{
    // The file starts without a final line end: exactly one appender may end that line, so the lock
    // must hold from the look at the last byte to the write.
    WriteNamesFile("START");
    AppendFromProcessesAtOnce(4, 500);
    ExpectWholeLines(L"START", 4, 500);
    const std::string content = NamesFileContent();
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

} // namespace
