// What cmdKompName (the button at the top right) writes to net_send.ini.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

struct AddCase {
    const char* name;
    FileBytes before;
    std::wstring typed;
    FileBytes after;
};

const AddCase kAddCases[] = {
    {"EmptyTextWritesNothing", "PC1\r\n", L"", "PC1\r\n"},
    {"EmptyTextCreatesNoFile", std::nullopt, L"", std::nullopt},
    {"NameAppendedAsLastLine", "PC1\r\nPC2\r\n", L"PC7", "PC1\r\nPC2\r\nPC7\r\n"},
    {"MissingFileCreated", std::nullopt, L"PC7", "PC7\r\n"},
    {"EmptyFile", "", L"PC7", "PC7\r\n"},
    {"UnfinishedLastLineEndedFirst", "PC1", L"PC7", "PC1\r\nPC7\r\n"},
    {"TwoBlanksAreNotEmpty", "PC1\r\n", L"  ", "PC1\r\n  \r\n"},
    {"NameWrittenUnchanged", std::nullopt, L" a,\"b\" ", " a,\"b\" \r\n"},
    {"CyrillicInCodePage1251", std::nullopt, L"ПК-сервер", "\xCF\xCA-\xF1\xE5\xF0\xE2\xE5\xF0\r\n"},
};

E2E_TABLE_ONE_START(AddName, AddCase, kAddCases);

TEST_P(AddName, Appends)
{
    const AddCase& row = GetParam();
    Program& app = Program::ForRow(row.before);
    const Items items = app.Items();
    app.SetText(app.Message(), L"hello");
    app.SetText(app.Combo(), row.typed);

    app.Click(app.AddButton());

    E2E_EXPECT_EQ(app.Recipients(), row.after);
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "adding should stay silent";
    E2E_EXPECT_EQ(app.Items(), items) << "the list on screen changed";
    E2E_EXPECT_EQ(app.Text(app.Combo()), row.typed);
    E2E_EXPECT_EQ(app.Text(app.Message()), L"hello");
    EXPECT_TRUE(app.Calls().empty()) << "adding started net.exe";
}

TEST(Adding, SameNameTwiceGivesTwoLines)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    app.Click(app.AddButton());
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\nPC7\r\nPC7\r\n"));
}

TEST(Adding, PickedItemIsAppended)
{
    Program app("PC1\r\nPC2\r\n");
    app.Start();
    app.Select(0);
    app.Click(app.AddButton());
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\nPC2\r\nPC1\r\n"));
}

TEST(Adding, ShowsUpAsLastItemAfterRestart)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"ПК7");
    app.Click(app.AddButton());
    E2E_EXPECT_EQ(app.Items(), Items{L"PC1"});

    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(10000));
    app.Start();
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"ПК7"}));
}

}  // namespace
}  // namespace e2e
