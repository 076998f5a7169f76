// What the user is told when net_send.ini cannot be read or written: a message box owned by the main
// window, titled with its caption, in Russian; the file keeps every byte it had.

#include "check.h"
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
    REQUIRE(box != nullptr) << "no message box owned by the main window";
    wchar_t title[256] = {};
    GetWindowTextW(box, title, 256);
    CHECK_EQ(std::wstring(title), kMainCaption);
    const std::wstring text = app.MessageBoxText(box);
    CHECK(HasCyrillic(text)) << "not a Russian text: " << text;
    app.Dismiss(box);
    CHECK(app.MessageBoxOfMain() == nullptr) << "a second message box";
}

// Holds a file open with no sharing, as another program might.
Handle Lock(const std::wstring& path)
{
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    REQUIRE(file) << "cannot lock " << path;
    return file;
}

void ExpectWindowUsable(Program& app)
{
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(app.Main()) && GetTickCount() - start < 5000)
        Sleep(20);
    CHECK(IsWindowVisible(app.Main())) << "the main window did not open";
    CHECK(app.Running());
}

TEST_CASE(ReadFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.MakeFolder(L"net_send.ini");
    app.Start();
    ExpectErrorBoxAndDismiss(app);
    ExpectWindowUsable(app);
    CHECK(app.Items().empty());
}

TEST_CASE(ReadFailure, RecipientFileLockedByAnotherProgram)
{
    Program app("PC1\r\n");
    {
        const Handle lock = Lock(app.PathOf(L"net_send.ini"));
        app.Start();
        ExpectErrorBoxAndDismiss(app);
    }
    ExpectWindowUsable(app);
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

TEST_CASE(AddFailure, RecipientFileLockedByAnotherProgram)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    {
        const Handle lock = Lock(app.PathOf(L"net_send.ini"));
        app.Click(app.AddButton());
        ExpectErrorBoxAndDismiss(app);
    }
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    CHECK_EQ(app.Text(app.Combo()), L"PC7");
    CHECK(app.Running());

    // Once the other program lets go, the same press succeeds.
    app.Click(app.AddButton());
    CHECK(app.MessageBoxOfMain() == nullptr);
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\nPC7\r\n"));
}

TEST_CASE(AddFailure, RecipientFileIsAFolder)
{
    Program app(std::nullopt);
    app.Start();
    app.MakeFolder(L"net_send.ini");
    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    ExpectErrorBoxAndDismiss(app);
    CHECK(app.Running());
}

TEST_CASE(AddFailure, NameOutsideCodePage1251IsNotWritten)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC\u4E2D");
    app.Click(app.AddButton());
    ExpectErrorBoxAndDismiss(app);
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    CHECK_EQ(app.Text(app.Combo()), L"PC\u4E2D");
}

}  // namespace
}  // namespace e2e
