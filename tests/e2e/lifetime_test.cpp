// When the program ends: when its last window closes, whichever window that is.

#include "check.h"
#include "program.h"

namespace e2e {
namespace {

constexpr DWORD kExitTimeoutMs = 10000;
constexpr char kNoAbout[] = "no About window \"О программе...\" appeared after choosing its menu entry";

// Opens the About window with the menu entry "О программе..." and returns it, or skips the test.
HWND OpenAbout(Program& app)
{
    app.ChooseMenuEntry(1);
    const HWND about = app.WaitForWindow(kAboutCaption, 5000);
    if (!about)
        SKIP(kNoAbout);
    return about;
}

TEST_CASE(Lifetime, ClosingTheMainWindowEndsTheProgram)
{
    Program app("PC1\r\n");
    app.Start();
    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    REQUIRE(app.WaitForExit(kExitTimeoutMs)) << "still running after its window closed";
    CHECK_EQ(app.ExitCode(), 0u);
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

TEST_CASE(Lifetime, ExitEntryEndsTheProgram)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    app.ChooseMenuEntry(0);
    REQUIRE(app.WaitForExit(kExitTimeoutMs)) << "still running after choosing Выход";
    CHECK_EQ(app.ExitCode(), 0u);
    CHECK_EQ(app.Recipients(), FileBytes("PC1\r\n")) << "Выход saved the typed name";
    CHECK(app.Calls().empty());
}

TEST_CASE(Lifetime, AboutWindowKeepsTheProgramAliveUntilItCloses)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = OpenAbout(app);

    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    CHECK(!app.WaitForExit(1000)) << "ended while the About window was open";
    CHECK(!IsWindow(app.Main()) || !IsWindowVisible(app.Main())) << "the main window did not close";
    CHECK(IsWindowVisible(about));

    PostMessageW(about, WM_CLOSE, 0, 0);
    REQUIRE(app.WaitForExit(kExitTimeoutMs)) << "still running after its last window closed";
    CHECK_EQ(app.ExitCode(), 0u);
}

TEST_CASE(Lifetime, ClosingTheAboutWindowLeavesTheMainWindow)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = OpenAbout(app);

    PostMessageW(about, WM_CLOSE, 0, 0);
    CHECK(!app.WaitForExit(1000)) << "ended with the main window open";
    CHECK(IsWindowVisible(app.Main()));
    CHECK(app.WindowsCaptioned(kAboutCaption).empty());
}

TEST_CASE(Lifetime, ExitEntryClosesTheAboutWindowToo)
{
    Program app(std::nullopt);
    app.Start();
    OpenAbout(app);

    app.ChooseMenuEntry(0);
    REQUIRE(app.WaitForExit(kExitTimeoutMs)) << "still running after Выход with the About window open";
    CHECK_EQ(app.ExitCode(), 0u);
}

TEST_CASE(Lifetime, HelpChosenThreeTimesGivesOneAboutWindow)
{
    Program app(std::nullopt);
    app.Start();
    OpenAbout(app);

    app.ChooseMenuEntry(1);
    app.ChooseMenuEntry(1);
    Sleep(500);
    CHECK_EQ(app.WindowsCaptioned(kAboutCaption).size(), 1u);
    CHECK(IsWindowVisible(app.Main())) << "the About window must not replace the main window";
}

}  // namespace
}  // namespace e2e
