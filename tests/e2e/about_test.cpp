// The About window: shown anew after it was closed, the main window working beside it, its layout at the
// dpi it is shown at, and its credit line and picture as read back from the screen and by a screen reader.

#include "harness.h"
#include "program.h"
#include "screen.h"

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace e2e {
namespace {

const std::wstring kCredit = expected::kAboutControls[0].text;

const Placement kAboutLabel1 = expected::kAboutControls[0];
const Placement kAboutImage1 = expected::kAboutControls[1];

// The Static child of the kind (kinds are values, not flags) whose top left corner is nearest the
// placement's.
HWND Label1(const Program& app, HWND about) { return app.ControlNear(kAboutLabel1, SS_CENTER, about, SS_TYPEMASK); }
HWND Image1(const Program& app, HWND about) { return app.ControlNear(kAboutImage1, SS_OWNERDRAW, about, SS_TYPEMASK); }

bool IsGround(COLORREF c) { return c == GetSysColor(COLOR_BTNFACE); }

TEST(About, ClosedAndChosenAgainShowsItAnew)
{
    Program app(std::nullopt);
    app.Start();
    const HWND first = app.OpenAbout();
    // A window that was only hidden would come back with this text.
    app.SetText(Label1(app, first), L"changed");
    PostMessageW(first, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&app] { return app.WindowsCaptioned(kAboutCaption).empty(); }, 5000))
        << "the About window did not close";

    const HWND again = app.OpenAbout();
    app.Idle();
    E2E_EXPECT_EQ(app.WindowsCaptioned(kAboutCaption).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(again) && !IsIconic(again));
    E2E_EXPECT_EQ(app.Text(Label1(app, again)), kCredit) << "shown again as it was left, not built anew";
}

TEST(About, MainWindowSendsWhileItIsOpen)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();
    app.Fill(L"PC12", L"hello");
    app.BringToFront();
    const RECT send = app.RectInClient(app.SendButton());
    POINT centre = {(send.left + send.right) / 2, (send.top + send.bottom) / 2};
    // The pointer is let to settle first: a press that follows the jump at once can land where it was.
    app.MoveMouseTo(centre);
    Sleep(200);
    app.ClickAt(centre);
    POINT cursor = {};
    GetCursorPos(&cursor);
    ClientToScreen(app.Main(), &centre);
    const HWND under = WindowFromPoint(centre);
    SCOPED_TRACE(::testing::Message()
                 << "under the click: "
                 << (under == app.SendButton() ? "cmdSend" : under == about ? "the About window" : "another window")
                 << "; in front: " << (GetForegroundWindow() == app.Main() ? "the main window" : "another")
                 << "; main window enabled: " << (IsWindowEnabled(app.Main()) != 0) << "; pointer "
                 << cursor.x - centre.x << "," << cursor.y - centre.y << " px off");
    app.ExpectNetCall(L"net send PC12 hello");
    EXPECT_TRUE(IsWindowVisible(about)) << "sending closed the About window";
}

// A screen reader reads the credit as it is shown, and passes over the picture: a graphic with no name.
TEST(ScreenReaderInAbout, CreditIsReadPictureIsAnUnnamedGraphic)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();
    // The label is a plain one: the system's own object answers for it.
    const AccessibleView label = AskAsScreenReader(Label1(app, about));
    if (FAILED(label.reached))
        GTEST_SKIP() << "this system's accessibility client reaches no control at all, not even a plain label "
                     << "(HRESULT 0x" << std::hex << label.reached << ")";
    E2E_EXPECT_EQ(label.name, std::optional<std::wstring>(kCredit));
    const AccessibleView picture = AskAsScreenReader(Image1(app, about));
    E2E_ASSERT_EQ(picture.reached, S_OK);
    E2E_EXPECT_EQ(picture.role, ROLE_SYSTEM_GRAPHIC);
    EXPECT_TRUE(!picture.name || picture.name->empty()) << "named " << Describe(picture.name);
}

// Only Geometry. and Look. cases run again at 144 dpi.
TEST(Geometry, AboutWindow)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();
    RECT client;
    GetClientRect(about, &client);
    E2E_EXPECT_EQ(client.right, app.Pixels(expected::kAboutClientWidth)) << "at " << ExpectedDpi() << " dpi";
    E2E_EXPECT_EQ(client.bottom, app.Pixels(expected::kAboutClientHeight)) << "at " << ExpectedDpi() << " dpi";

    const std::pair<HWND, Placement> controls[] = {{Label1(app, about), kAboutLabel1}, {Image1(app, about), kAboutImage1}};
    for (const auto& [control, c] : controls) {
        const RECT expected = {app.Pixels(c.left), app.Pixels(c.top), app.Pixels(c.left + c.width),
                               app.Pixels(c.top + c.height)};
        E2E_EXPECT_EQ(app.RectInClient(control, about), expected) << c.name << " at " << ExpectedDpi() << " dpi";
    }

    // A fixed dialog frame with the close button only, kept out of the taskbar by an owner.
    const LONG style = GetWindowLongW(about, GWL_STYLE);
    EXPECT_TRUE((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0) << "resizable, or a min/max button";
    EXPECT_TRUE((style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    EXPECT_TRUE((GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0);
    EXPECT_TRUE(GetWindow(about, GW_OWNER) != nullptr) << "unowned: it gets a taskbar button";
    EXPECT_TRUE(GetWindow(about, GW_OWNER) != app.Main()) << "owned by the main window, so it closes with it";
}

// Lines of ink: runs of rows with any pixel off the ground, each with its leftmost and rightmost ink.
struct Line {
    LONG left = LONG_MAX, right = LONG_MIN;
};

std::vector<Line> InkLines(const Screenshot& shot)
{
    const RECT& area = shot.Area();
    std::vector<Line> lines;
    bool inLine = false;
    for (LONG y = area.top; y < area.bottom; ++y) {
        Line row;
        for (LONG x = area.left; x < area.right; ++x)
            if (!IsGround(shot.At({x, y}))) {
                row.left = std::min(row.left, x);
                row.right = std::max(row.right, x + 1);
            }
        if (row.left == LONG_MAX) {
            inLine = false;
            continue;
        }
        if (!inLine)
            lines.push_back(row);
        lines.back().left = std::min(lines.back().left, row.left);
        lines.back().right = std::max(lines.back().right, row.right);
        inLine = true;
    }
    return lines;
}

TEST(Look, AboutLabelIsTheCreditCentredOnTwoLines)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();
    const HWND label = Label1(app, about);
    E2E_EXPECT_EQ(app.Text(label), kCredit);

    app.ShowFreshlyPainted(about);
    const RECT area = ClientOnScreen(label);
    const std::vector<Line> lines =
        InkLines(ShotWhen(area, [](const Screenshot& shot) { return InkLines(shot).size() == 2; }));
    E2E_ASSERT_EQ(lines.size(), 2u) << "lines of text in the label at " << ExpectedDpi() << " dpi";
    for (const Line& line : lines) {
        const LONG leftGap = line.left - area.left;
        const LONG rightGap = area.right - line.right;
        EXPECT_TRUE(leftGap > 0 && rightGap > 0) << "a line touches the label's edge: cut off?";
    }
    // The last line shows the centring exactly: a line the system broke at a space is centred with that
    // space by some systems (Wine 9 and later) and without it by others (Windows, Wine 8).
    const LONG leftGap = lines.back().left - area.left;
    const LONG rightGap = area.right - lines.back().right;
    EXPECT_TRUE(std::abs(leftGap - rightGap) <= app.Pixels(60))
        << "the last line is not centred: " << leftGap << " px free on its left, " << rightGap << " on its right";
}

struct Face {
    int painted = 0;
    int yellow = 0;
    RECT ink = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
};

Face FaceIn(const Screenshot& shot)
{
    const RECT& area = shot.Area();
    Face face;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x) {
            const COLORREF c = shot.At({x, y});
            if (IsGround(c))
                continue;
            ++face.painted;
            face.yellow += GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 80;
            RECT& ink = face.ink;
            ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
        }
    return face;
}

TEST(Look, AboutPictureIsTheStretchedFace)
{
    Program app(std::nullopt);
    app.Start();
    const HWND about = app.OpenAbout();
    app.ShowFreshlyPainted(about);
    const RECT area = ClientOnScreen(Image1(app, about));
    const int all = (area.right - area.left) * (area.bottom - area.top);
    const Face face = FaceIn(ShotWhen(area, [all](const Screenshot& shot) {
        const Face shown = FaceIn(shot);
        return shown.painted * 2 > all && shown.yellow * 3 > all;
    }));
    const int painted = face.painted;
    const int yellow = face.yellow;
    const RECT ink = face.ink;
    // The round face fills about three quarters of its square, most of it yellow.
    EXPECT_TRUE(painted * 2 > all) << painted << " of " << all << " pixels painted";
    EXPECT_TRUE(yellow * 3 > all) << yellow << " of " << all << " pixels yellow";
    // It touches all four edges of its square when stretched to the control, not drawn at icon size.
    const LONG slack = app.Pixels(30);
    EXPECT_TRUE(ink.left - area.left <= slack && area.right - ink.right <= slack && ink.top - area.top <= slack &&
          area.bottom - ink.bottom <= slack)
        << "the face covers " << Describe(ink) << " of " << Describe(area) << " on the screen";
}

}  // namespace
}  // namespace e2e
