// When the program ends: when its last window closes, whichever window that is.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

constexpr DWORD kExitTimeoutMs = 10000;
constexpr char kNoAbout[] = "no About window \"О программе...\" appeared after choosing its menu entry";

// Opens the About window with the menu entry "О программе..." and returns it.
HWND OpenAbout(Program& app)
{
    app.ChooseMenuEntry(1);
    const HWND about = app.WaitForWindow(kAboutCaption, 5000);
    E2E_ASSERT(about != nullptr) << kNoAbout;
    return about;
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
    const HWND about = OpenAbout(app);

    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(!app.WaitForExit(1000)) << "ended while the About window was open";
    EXPECT_TRUE(!IsWindow(app.Main()) || !IsWindowVisible(app.Main())) << "the main window did not close";
    EXPECT_TRUE(IsWindowVisible(about));

    PostMessageW(about, WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after its last window closed";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
}

TEST(Lifetime, ClosingTheAboutWindowLeavesTheMainWindow)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = OpenAbout(app);

    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(!app.WaitForExit(1000)) << "ended with the main window open";
    EXPECT_TRUE(IsWindowVisible(app.Main()));
    EXPECT_TRUE(app.WindowsCaptioned(kAboutCaption).empty());
}

TEST(Lifetime, ExitEntryClosesTheAboutWindowToo)
{
    Program app(std::nullopt);
    app.Start();
    OpenAbout(app);

    app.ChooseMenuEntry(0);
    ASSERT_TRUE(app.WaitForExit(kExitTimeoutMs)) << "still running after Выход with the About window open";
    E2E_EXPECT_EQ(app.ExitCode(), 0u);
}

TEST(Lifetime, HelpChosenThreeTimesGivesOneAboutWindow)
{
    Program app(std::nullopt);
    app.Start();
    OpenAbout(app);

    app.ChooseMenuEntry(1);
    app.ChooseMenuEntry(1);
    Sleep(500);
    E2E_EXPECT_EQ(app.WindowsCaptioned(kAboutCaption).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(app.Main())) << "the About window must not replace the main window";
}

}  // namespace
}  // namespace e2e
