// What the drop-down list holds after start-up, for given bytes of net_send.ini.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

struct ListCase {
    const char* name;
    FileBytes file;
    Items items;
};

const ListCase kListCases[] = {
    {"TwoLines", "PC1\r\nPC2\r\n", {L"PC1", L"PC2"}},
    {"LastLineWithoutLineEnd", "PC1\r\nPC2", {L"PC1", L"PC2"}},
    {"BlankLineGivesEmptyItem", "PC1\r\n\r\nPC2\r\n", {L"PC1", L"", L"PC2"}},
    {"CommaSplitsLine", "a,b\r\n", {L"a", L"b"}},
    {"NothingBetweenCommas", "a,,b\r\n", {L"a", L"", L"b"}},
    {"LeadingBlanksDropped", "  PC1\r\n PC2\r\n", {L"PC1", L"PC2"}},
    {"OnlyBlanksGiveEmptyItem", "  \r\nPC1\r\n", {L"", L"PC1"}},
    {"QuotedFieldKeepsComma", "\"a,b\"\r\nPC2\r\n", {L"a,b", L"PC2"}},
    {"LoneCrEndsLine", "PC1\rPC2\r", {L"PC1", L"PC2"}},
    {"LoneLfEndsLine", "PC1\nPC2\n", {L"PC1", L"PC2"}},
    {"CyrillicInCodePage1251", "\xCF\xCA-1\r\n\xF1\xE5\xF0\xE2\xE5\xF0\r\n", {L"ПК-1", L"сервер"}},
    {"DuplicatesKeptUnsorted", "b\r\na\r\nb\r\n", {L"b", L"a", L"b"}},
    {"EmptyFile", "", {}},
    {"MissingFile", std::nullopt, {}},
};

E2E_TABLE(ListAtStart, ListCase, kListCases);

TEST_P(ListAtStart, Shows)
{
    const ListCase& row = GetParam();
    Program app(row.file);
    app.Start();
    E2E_EXPECT_EQ(app.Items(), row.items);
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a message box at start-up";
}

TEST(StartUp, EditTextEmptyNothingSelectedMessageEmpty)
{
    Program app("PC1\r\nPC2\r\n");
    app.Start();
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"");
    E2E_EXPECT_EQ(app.Selection(), CB_ERR);
    E2E_EXPECT_EQ(app.Text(app.Message()), L"");
}

TEST(StartUp, ReadsTheFileOfTheCurrentDirectoryNotOfTheProgramFolder)
{
    Program app("PC1\r\n");
    app.MakeFolder(L"work");
    app.WriteBytes(L"work\\net_send.ini", "PC2\r\n");
    app.Start(L"work");
    E2E_EXPECT_EQ(app.Items(), Items{L"PC2"});
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

}  // namespace
}  // namespace e2e
