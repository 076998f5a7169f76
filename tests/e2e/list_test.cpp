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

// The reading rules, each case by case in the unit tests, here all in one file: a start each would
// check the same wiring over and over.
const ListCase kListCases[] = {
    {"EveryRuleInOneFile",
     "PC1\r\nPC2\r\n"                        // lines
     "\r\n"                                  // a blank line gives an empty item
     "a,b\r\na,,b\r\n"                        // commas split a line; nothing between them is an item
     "  PC3\r\n  \r\n"                        // leading blanks dropped; only blanks give an empty item
     "\"c,d\"\r\n"                             // a quoted field keeps its comma
     "PC4\rPC5\rPC6\nPC7\n"                    // a lone CR or LF ends a line
     "\xCF\xCA-1\r\n\xF1\xE5\xF0\xE2\xE5\xF0\r\n"  // Cyrillic in code page 1251
     "b\r\na\r\nb\r\n"                        // duplicates kept, unsorted
     "PC9",                                  // the last line without a line end
     {L"PC1", L"PC2", L"", L"a", L"b", L"a", L"", L"b", L"PC3", L"", L"c,d", L"PC4", L"PC5", L"PC6", L"PC7",
      L"ПК-1", L"сервер", L"b", L"a", L"b", L"PC9"}},
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
