// When the program ends: when its last window closes, whichever window that is.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

constexpr DWORD kExitTimeoutMs = 10000;

// Whether the window is gone (destroyed or hidden) within a few seconds.
bool Closes(HWND window) { return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000); }

// A main window that the system will not make, or makes without one of its controls: the program says so,
// first in the words of what the user misses, then why, in a box of its own, and ends.
struct StartFailureCase {
    const char* name;
    const char* hook; // the export of refuse_main_window.dll that refuses a window
    std::wstring why; // what the box says after its first line and a blank one
};

const StartFailureCase kStartFailureCases[] = {
    {"MainWindowRefused", "RefuseMainWindow", L"Windows не создала окно и не назвала причину."},
    {"ListRefused", "RefuseList", L"Windows не создала поле со списком «Введите имя машины» (cmbComp)"},
};

E2E_TABLE(StartFailure, StartFailureCase, kStartFailureCases);

// The hooks' module, and one of its hooks; a failure ends the case.
struct Refusal {
    ModuleHandle module;
    HOOKPROC hook = nullptr;
};

Refusal LoadRefusal(const char* hook)
{
    const std::wstring path = BuiltBesideNetDouble(L"refuse_main_window.dll");
    Refusal refusal{ModuleHandle(LoadLibraryW(path.c_str()))};
    E2E_ASSERT(refusal.module) << "cannot load " << path;
    refusal.hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(GetProcAddress(refusal.module.Get(), hook)));
    E2E_ASSERT(refusal.hook != nullptr) << "no hook " << hook;
    return refusal;
}

TEST_P(StartFailure, IsReportedWithItsCause)
{
    const StartFailureCase& row = GetParam();
    const Refusal refusal = LoadRefusal(row.hook);
    Program app("PC1\r\n");
    HWND box = nullptr;
    {
        const HookHandle hook(SetWindowsHookExW(WH_CBT, refusal.hook, refusal.module.Get(), 0));
        ASSERT_TRUE(hook) << "cannot set the hook: error " << GetLastError();
        app.Launch(app.Folder());
        box = app.ExpectBox(L"Не удалось открыть окно программы.\n\n" + row.why, "error", 20000, false);
    }
    EXPECT_TRUE(app.WindowsCaptioned(kMainCaption).size() == 1) << "a window besides the box";

    app.Dismiss(box);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after the box was closed";
    E2E_EXPECT_EQ(app.ExitCode(), 1u);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

// An About window that the system will not make: the main window says so, naming the window the user
// asked for, and goes on working; once nothing refuses it, the About window opens.
TEST(AboutFailure, IsReportedAndTheMainWindowGoesOn)
{
    const Refusal refusal = LoadRefusal("RefuseAbout");
    Program app("PC1\r\n");
    app.Start();
    HWND box = nullptr;
    {
        const HookHandle hook(SetWindowsHookExW(WH_CBT, refusal.hook, refusal.module.Get(), 0));
        ASSERT_TRUE(hook) << "cannot set the hook: error " << GetLastError();
        app.ChooseMenuEntry(1);
        box = app.ExpectBox(L"Не удалось открыть окно «" + kAboutCaption + L"».\n\nWindows не создала окно", "error");
    }
    app.Dismiss(box);
    EXPECT_TRUE(app.WindowsCaptioned(kAboutCaption).empty());
    EXPECT_TRUE(app.Running());
    app.OpenAbout();
}

TEST(Lifetime, ClosingTheMainWindowEndsTheProgram)
{
    Program app("PC1\r\n");
    app.Start();
    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after its window closed";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

TEST(Lifetime, ExitEntryEndsTheProgram)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    app.ChooseMenuEntry(0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after choosing Выход";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n")) << "Выход saved the typed name";
    EXPECT_TRUE(app.Calls().empty());
}

TEST(Lifetime, AboutWindowKeepsTheProgramAliveUntilItCloses)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();

    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(Closes(app.Main())) << "the main window did not close";
    // An end that must not come: had the closing asked for one, it would have come before the painting.
    app.Idle(about);
    EXPECT_TRUE(app.Running()) << "ended while the About window was open";
    EXPECT_TRUE(IsWindowVisible(about));

    PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after its last window closed";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
}

TEST(Lifetime, ClosingTheAboutWindowLeavesTheMainWindow)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();

    PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Closes(about)) << "the About window did not close";
    app.Idle();
    EXPECT_TRUE(app.Running()) << "ended with the main window open";
    EXPECT_TRUE(IsWindowVisible(app.Main()));
    EXPECT_TRUE(app.WindowsCaptioned(kAboutCaption).empty());
}

TEST(Lifetime, ExitEntryClosesTheAboutWindowToo)
{
    Program app(std::nullopt);
    app.Start();
    app.OpenAbout();

    app.ChooseMenuEntry(0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after Выход with the About window open";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
}

TEST(Lifetime, HelpChosenThreeTimesGivesOneAboutWindow)
{
    Program app(std::nullopt);
    app.Start();
    app.OpenAbout();

    app.ChooseMenuEntry(1);
    app.ChooseMenuEntry(1);
    app.Idle();
    E2E_EXPECT_EQ(app.WindowsCaptioned(kAboutCaption).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(app.Main())) << "the About window must not replace the main window";
}

}  // namespace
}  // namespace e2e
