// What the user is told when net_send.ini cannot be read or written: a message box owned by the main
// window, titled with its caption, saying which of the two failed, where the file is and why; the file
// keeps every byte it had. faults_test.cpp has the files held open by another program, read-only files and full disks.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

TEST(ReadFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.MakeFolder(L"net_send.ini");
    app.Start();
    app.ExpectFailureBox(Failed::Reading, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(WaitUntil([&app] { return IsWindowVisible(app.Main()) != 0; }, 5000)) << "the main window did not open";
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(app.Items().empty());
}

TEST(AddFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.Start();
    app.MakeFolder(L"net_send.ini");
    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    app.ExpectFailureBox(Failed::Adding, ERROR_ACCESS_DENIED);
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC7");
    EXPECT_TRUE(app.Running());
}

TEST(AddFailure, NameOutsideCodePage1251IsNotWritten)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC\u4E2D");
    app.Click(app.AddButton());
    app.ExpectFailureBox(Failed::Adding, L"В имени есть знаки, которых нет в кодировке файла (ANSI, кодовая страница 1251).");
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC\u4E2D");
}

}  // namespace
}  // namespace e2e
