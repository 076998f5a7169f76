// What the user is told when net_send.ini cannot be read or written: a message box owned by the main
// window, titled with its caption, in Russian; the file keeps every byte it had.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

bool HasCyrillic(const std::wstring& text)
{
    for (wchar_t c : text)
        if (c >= 0x0400 && c <= 0x04FF)
            return true;
    return false;
}

// Checks the message box that must come up now, then closes it.
void ExpectErrorBoxAndDismiss(Program& app)
{
    const HWND box = app.WaitForMessageBox(5000);
    ASSERT_TRUE(box != nullptr) << "no message box owned by the main window";
    wchar_t title[256] = {};
    GetWindowTextW(box, title, 256);
    E2E_EXPECT_EQ(std::wstring(title), kMainCaption);
    const std::wstring text = app.MessageBoxText(box);
    EXPECT_TRUE(HasCyrillic(text)) << "not a Russian text: " << text;
    app.Dismiss(box);
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a second message box";
}

// Holds a file open with no sharing, as another program might.
Handle Lock(const std::wstring& path)
{
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    E2E_ASSERT(file) << "cannot lock " << path;
    return file;
}

void ExpectWindowUsable(Program& app)
{
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(app.Main()) && GetTickCount() - start < 5000)
        Sleep(20);
    EXPECT_TRUE(IsWindowVisible(app.Main())) << "the main window did not open";
    EXPECT_TRUE(app.Running());
}

TEST(ReadFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.MakeFolder(L"net_send.ini");
    app.Start();
    ExpectErrorBoxAndDismiss(app);
    ExpectWindowUsable(app);
    EXPECT_TRUE(app.Items().empty());
}

TEST(ReadFailure, RecipientFileLockedByAnotherProgram)
{
    Program app("PC1\r\n");
    {
        const Handle lock = Lock(app.PathOf(L"net_send.ini"));
        app.Start();
        ExpectErrorBoxAndDismiss(app);
    }
    ExpectWindowUsable(app);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

TEST(AddFailure, RecipientFileLockedByAnotherProgram)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    {
        const Handle lock = Lock(app.PathOf(L"net_send.ini"));
        app.Click(app.AddButton());
        ExpectErrorBoxAndDismiss(app);
    }
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC7");
    EXPECT_TRUE(app.Running());

    // Once the other program lets go, the same press succeeds.
    app.Click(app.AddButton());
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\nPC7\r\n"));
}

TEST(AddFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.Start();
    app.MakeFolder(L"net_send.ini");
    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    ExpectErrorBoxAndDismiss(app);
    EXPECT_TRUE(app.Running());
}

TEST(AddFailure, NameOutsideCodePage1251IsNotWritten)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC\u4E2D");
    app.Click(app.AddButton());
    ExpectErrorBoxAndDismiss(app);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC\u4E2D");
}

}  // namespace
}  // namespace e2e
