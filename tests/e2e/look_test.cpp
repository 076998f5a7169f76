// How the main window looks and answers the keyboard and mouse: geometry at the dpi it is shown at,
// colours read back from the screen, tooltips, the send button over the message box, the tab order, what
// a screen reader hears, and the version record and icons in the exe.

#include "harness.h"
#include "program.h"
#include "screen.h"

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

namespace e2e {
namespace {

constexpr COLORREF kDarkGreen = RGB(expected::kDarkGreen.red, expected::kDarkGreen.green, expected::kDarkGreen.blue);
constexpr COLORREF kBrightGreen =
    RGB(expected::kBrightGreen.red, expected::kBrightGreen.green, expected::kBrightGreen.blue);

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// The client area and every control's place in it, at the dpi it is shown at.
TEST(Geometry, MainWindow)
{
    Program app(std::nullopt);
    app.Start();
    RECT client;
    GetClientRect(app.Main(), &client);
    E2E_EXPECT_EQ(client.right - client.left, app.Pixels(kMainClientWidth)) << "at " << ExpectedDpi() << " dpi";
    E2E_EXPECT_EQ(client.bottom - client.top, app.Pixels(kMainClientHeight)) << "at " << ExpectedDpi() << " dpi";

    const LONG style = GetWindowLongW(app.Main(), GWL_STYLE);
    EXPECT_TRUE((style & WS_THICKFRAME) == 0) << "the border can be dragged";
    EXPECT_TRUE((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ==
                (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(GetMenu(app.Main()) != nullptr) << "no menu bar";

    for (const Placement& row : kMainPlacements) {
        const RECT actual = app.RectInClient(app.ControlNear(row));
        // The list's height is its closed height: its window rectangle leaves the drop-down part out.
        const RECT place = {app.Pixels(row.left), app.Pixels(row.top), app.Pixels(row.left + row.width),
                            app.Pixels(row.top + row.height)};
        E2E_EXPECT_EQ(actual, place) << row.name << " at " << ExpectedDpi() << " dpi";
    }
}

TEST(Look, GroundIsDarkGreen)
{
    Program app(std::nullopt);
    app.Start();
    app.ShowFreshlyPainted(app.Main());

    // Bare window between the first label and the list, and below the message box; inside the empty
    // message box and the list's empty edit field.
    const RECT message = app.RectInClient(app.Message());
    const RECT combo = app.RectInClient(app.Combo());
    const POINT spots[] = {
        {app.Pixels(3600), app.Pixels(420)},
        {app.Pixels(1500), (message.bottom + app.Pixels(kMainClientHeight)) / 2},
        {app.Pixels(3000), app.Pixels(2700)},
        {combo.left + app.Pixels(300), (combo.top + combo.bottom) / 2},
    };
    const auto onScreen = [&app](POINT spot) {
        ClientToScreen(app.Main(), &spot);
        return spot;
    };
    const Screenshot shot = ShotWhen(ClientOnScreen(app.Main()), [&](const Screenshot& candidate) {
        for (POINT spot : spots)
            if (candidate.At(onScreen(spot)) != kDarkGreen)
                return false;
        return true;
    });
    for (POINT spot : spots)
        E2E_EXPECT_EQ(Colour(shot.At(onScreen(spot))), Colour(kDarkGreen))
            << "at (" << spot.x << "," << spot.y << ") of the client area";
}

TEST(Look, TextIsBrightGreen)
{
    Program app(std::nullopt);
    app.Start();
    app.Fill(L"ЖЖЖЖ", L"ЖЖЖЖЖЖЖЖ\r\nЖЖЖЖЖЖЖЖ");
    app.ShowFreshlyPainted(app.Main());

    const struct {
        const char* name;
        HWND control;
    } texts[] = {
        {"Label1", app.ControlNear(kLabel1)},
        {"Label2", app.ControlNear(kLabel2)},
        {"cmbComp", FindWindowExW(app.Combo(), nullptr, L"Edit", nullptr)},  // its edit field
        {"txtMessage", app.Message()},
    };
    const LONG buttonLeft = OnScreen(app.Main(), app.RectInClient(app.SendButton())).left;
    const auto areaOf = [&](HWND control) {
        RECT area = ClientOnScreen(control);
        if (control == app.Message())
            area.right = buttonLeft;  // cmdSend's picture, over the box, has black in it
        return area;
    };
    const auto painted = [&](const Screenshot& shot, HWND control) {
        return shot.Count(areaOf(control), kBrightGreen) >= 20 && shot.Count(areaOf(control), RGB(0, 0, 0)) == 0;
    };
    for (const auto& text : texts)
        ASSERT_TRUE(text.control != nullptr) << text.name;
    const Screenshot shot = ShotWhen(ClientOnScreen(app.Main()), [&](const Screenshot& candidate) {
        for (const auto& text : texts)
            if (!painted(candidate, text.control))
                return false;
        return true;
    });
    for (const auto& text : texts) {
        EXPECT_TRUE(shot.Count(areaOf(text.control), kBrightGreen) >= 20) << text.name << " shows no bright green text";
        E2E_EXPECT_EQ(shot.Count(areaOf(text.control), RGB(0, 0, 0)), 0)
            << text.name << " has black pixels (the system's text colour?)";
    }
}

// Hovering over a picture button shows its hint.
TEST(Look, TooltipsNameTheButtons)
{
    Program app(std::nullopt);
    app.Start();
    app.BringToFront();
    const struct {
        HWND button;
        const wchar_t* text;
    } buttons[] = {
        {app.AddButton(), MainControl("cmdKompName").tooltip},
        {app.SendButton(), MainControl("cmdSend").tooltip},
    };
    for (const auto& button : buttons) {
        app.MoveMouseTo({0, 0});
        Sleep(100);
        app.MoveMouseTo(Centre(app.RectInClient(button.button)));
        std::wstring shown;
        WaitUntil(
            [&] {
                for (HWND tip : app.WindowsOfClass(TOOLTIPS_CLASSW))
                    shown = app.Text(tip);
                return shown == button.text;
            },
            4000);
        E2E_EXPECT_EQ(shown, std::wstring(button.text));
    }
}

// cmdSend lies over the lower right corner of txtMessage: text in the box never paints over it, and a
// click there reaches the button.
TEST(Look, SendButtonStaysOnTopOfTheMessageBox)
{
    Program app(std::nullopt);
    app.Start();
    app.ShowFreshlyPainted(app.Main());
    const RECT button = OnScreen(app.Main(), app.RectInClient(app.SendButton()));
    const Screenshot before = SettledShot(button);

    std::wstring message;
    for (int line = 0; line < 12; ++line)
        message += L"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ\r\n";
    app.SetText(app.Message(), message);
    app.ShowFreshlyPainted(app.Main());
    // Once the text shows left of the button and below it, the box has painted all it will.
    RECT left = ClientOnScreen(app.Message());
    left.right = button.left;
    const auto painted = [](const Screenshot& shot) { return shot.Count(shot.Area(), kBrightGreen) >= 200; };
    ASSERT_TRUE(painted(ShotWhen(left, painted))) << "the text never painted left of cmdSend";
    EXPECT_TRUE(SettledShot(button) == before) << "the message box painted over cmdSend";

    EXPECT_TRUE(WindowFromPoint(Centre(button)) == app.SendButton())
        << "the point over cmdSend belongs to another window";
    app.Fill(L"PC12", L"hi");
    app.ClickAt(Centre(app.RectInClient(app.SendButton())));
    app.ExpectNetCall(L"net send PC12 hi");
}

std::string NameOf(Program& app, HWND focus)
{
    if (!focus)
        return "(nothing)";
    if (focus == app.Message())
        return "txtMessage";
    if (focus == app.AddButton())
        return "cmdKompName";
    if (focus == app.SendButton())
        return "cmdSend";
    if (focus == app.Combo() || IsChild(app.Combo(), focus))
        return "cmbComp";
    return "another window";
}

std::string WaitForFocusChange(Program& app, HWND from)
{
    WaitUntil([&] { return app.Focus() != from; }, 2000);
    return NameOf(app, app.Focus());
}

TEST(Look, TabWalksTheTabOrderFromTheMessageBox)
{
    Program app(std::nullopt);
    app.Start();
    app.BringToFront();
    E2E_EXPECT_EQ(NameOf(app, app.Focus()), "txtMessage") << "typing on opening must go into the message box";

    const char* const forward[] = {"cmdKompName", "cmdSend", "cmbComp", "txtMessage"};
    for (const char* expected : forward) {
        const HWND from = app.Focus();
        app.PressKey(VK_TAB);
        E2E_EXPECT_EQ(WaitForFocusChange(app, from), expected) << "after Tab";
    }
    const char* const backward[] = {"cmbComp", "cmdSend", "cmdKompName", "txtMessage"};
    for (const char* expected : backward) {
        const HWND from = app.Focus();
        app.PressKey(VK_TAB, true);
        E2E_EXPECT_EQ(WaitForFocusChange(app, from), expected) << "after Shift+Tab";
    }
}

TEST(Look, SpaceOnAFocusedPictureButtonPressesIt)
{
    Program app("PC1\r\n");
    app.Start();
    app.BringToFront();
    app.Fill(L"PC12", L"hi");
    app.PressKey(VK_TAB);
    app.PressKey(VK_TAB);
    WaitUntil([&app] { return app.Focus() == app.SendButton(); }, 2000);
    E2E_ASSERT_EQ(NameOf(app, app.Focus()), "cmdSend");
    app.PressKey(VK_SPACE);
    app.ExpectNetCall(L"net send PC12 hi");
}

// Enter and Escape mean nothing in the list's edit field: nothing is sent or added, the text stays and
// the window stays open; with the list dropped down, each closes it. (They are kept from the edit field,
// which on Windows beeps at them; Wine's never beeps, and a beep would not be seen from here.)
TEST(Keys, EnterAndEscapeInTheListsFieldDoNothing)
{
    Program app("PC1\r\n");
    app.Start();
    app.BringToFront();
    app.Fill(L"PC7", L"hi");
    app.PressKey(VK_TAB, true);
    E2E_ASSERT_EQ(WaitForFocusChange(app, app.Message()), "cmbComp");
    for (const bool dropped : {false, true})
        for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
            app.Send(app.Combo(), CB_SHOWDROPDOWN, dropped);
            app.PressKey(key);
            EXPECT_TRUE(app.MessageBoxOfMain() == nullptr && app.Running() && IsWindowVisible(app.Main()));
            EXPECT_FALSE(app.Send(app.Combo(), CB_GETDROPPEDSTATE)) << "the list stays down after key " << key;
        }
    E2E_EXPECT_EQ(NameOf(app, app.Focus()), "cmbComp");
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC7");
    E2E_EXPECT_EQ(app.Text(app.Message()), L"hi");
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n")) << "Enter added the name";
    EXPECT_TRUE(app.Calls().empty()) << "Enter sent the message";
}

// What a screen reader hears for each control, asked from outside as it asks. The fields' roles are the
// system's own and differ between systems; the buttons' role is the program's (the system would call an
// owner-drawn button a plain client area). The labels lie behind every control, so a field named by the
// usual rule (the label before it in the stacking order) would be named wrongly. An oleacc.dll is planted
// beside the program each time: the names still come, from the system's runtime.
struct AccessibleCase {
    const char* name;
    HWND (*find)(const Program& app);
    const wchar_t* heard;
    LONG role;  // 0: whatever the system says
};

const AccessibleCase kAccessibleCases[] = {
    {"cmbComp", [](const Program& app) { return app.Combo(); }, MainControl("Label1").text, 0},
    // Typing goes into the edit field, so that is what has the focus and is read out.
    {"cmbCompEditField", [](const Program& app) { return FindWindowExW(app.Combo(), nullptr, L"Edit", nullptr); },
     MainControl("Label1").text, 0},
    {"txtMessage", [](const Program& app) { return app.Message(); }, MainControl("Label2").text, 0},
    {"cmdSend", [](const Program& app) { return app.SendButton(); }, MainControl("cmdSend").tooltip,
     ROLE_SYSTEM_PUSHBUTTON},
    {"cmdKompName", [](const Program& app) { return app.AddButton(); }, MainControl("cmdKompName").tooltip,
     ROLE_SYSTEM_PUSHBUTTON},
};

E2E_TABLE(ScreenReaderHears, AccessibleCase, kAccessibleCases);

// An oleacc.dll beside the program, which is also the current folder, as anyone who can write to a
// shared folder could put there. Windows would load it for a load by name, oleacc not being one of the
// libraries it always takes from the system folder; scripts/wine-env.sh tells Wine to do the same. The
// program must take the system's.
void PlantOleacc(Program& app)
{
    app.CopyIn(BuiltBesideNetDouble(L"oleacc_double.dll"), L"oleacc.dll");
}

bool PlantedOleaccLoaded(const Program& app)
{
    return app.ReadBytes(L"oleacc_double_loaded").has_value();
}

TEST_P(ScreenReaderHears, NameAndRole)
{
    const AccessibleCase& row = GetParam();
    Program app(std::nullopt);
    PlantOleacc(app);
    app.Start();
    // A label answers with the system's own object, nothing of the program's in between.
    const AccessibleView plain = AskAsScreenReader(app.ControlNear(kLabel1));
    if (FAILED(plain.reached))
        GTEST_SKIP() << "this system's accessibility client reaches no control at all, not even a plain label "
                     << "(HRESULT 0x" << std::hex << plain.reached << ")";
    const HWND control = row.find(app);
    E2E_ASSERT(control != nullptr);
    const AccessibleView view = AskAsScreenReader(control);
    E2E_ASSERT_EQ(view.reached, S_OK);
    E2E_EXPECT_EQ(view.name, std::optional<std::wstring>(row.heard));
    if (row.role != 0)
        E2E_EXPECT_EQ(view.role, row.role);
    else
        EXPECT_NE(view.role, 0) << "no role at all";
    EXPECT_FALSE(PlantedOleaccLoaded(app)) << "the oleacc.dll beside the program was loaded";
}

// Opening must not pay for the accessibility runtime: only a client's request loads it, from the system
// folder, and the program works on as before once it is loaded. The driver is built for the exe's
// bitness, so it can list the exe's modules.
TEST(Accessibility, RuntimeIsTheSystemsAndLoadedOnlyWhenAClientAsks)
{
    Program app("PC1\r\n");
    PlantOleacc(app);
    app.Start();
    DWORD processId = 0;
    GetWindowThreadProcessId(app.Main(), &processId);
    const std::optional<bool> atStart = HasModule(processId, L"oleacc.dll");
    E2E_ASSERT(atStart.has_value()) << "the program's modules cannot be listed: " << ToUtf8(SystemReason(GetLastError()));
    EXPECT_FALSE(*atStart) << "oleacc.dll loaded before any client asked";

    // Whether or not this system's client can take the answer, the request reaches the program.
    AskAsScreenReader(app.SendButton());
    E2E_EXPECT_EQ(HasModule(processId, L"oleacc.dll"), std::optional<bool>(true)) << "after a client's request";
    EXPECT_FALSE(PlantedOleaccLoaded(app)) << "the oleacc.dll beside the program was loaded";

    app.Fill(L"PC12", L"hi");
    app.Click(app.SendButton());
    app.ExpectNetCall(L"net send PC12 hi");
}

// The exe itself: its version record and its icons, as the file's properties show them.
TEST(Exe, VersionRecordSays1_00)
{
    const std::wstring exe = BuiltProgram();
    DWORD ignored = 0;
    std::vector<unsigned char> record(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    ASSERT_TRUE(!record.empty()) << "no version record";
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed);
    E2E_EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    E2E_EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    E2E_EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    E2E_EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                           &size) &&
            size >= sizeof *translation);
    E2E_EXPECT_EQ(translation->language, 0x0409) << "US English";
    E2E_EXPECT_EQ(translation->codePage, 1200) << "Unicode";

    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        EXPECT_TRUE(VerQueryValueW(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) && value &&
              std::wstring(value) == L"1.00")
            << ToUtf8(name) << " is not 1.00";
    }
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    *reinterpret_cast<LPWSTR*>(found) = name;
    return FALSE;
}

TEST(Exe, ApplicationIconHas32And16PixelImagesOf16Colours)
{
    HMODULE exe = LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe != nullptr);
    LPWSTR first = nullptr;
    EnumResourceNamesW(exe, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
    HRSRC found = first ? FindResourceW(exe, first, RT_GROUP_ICON) : nullptr;
    const auto* group = found ? static_cast<const IconGroup*>(LockResource(LoadResource(exe, found))) : nullptr;
    EXPECT_TRUE(group != nullptr) << "no icon group";
    bool has32 = false;
    bool has16 = false;
    for (WORD i = 0; group && i < group->count; ++i) {
        const IconGroupEntry& entry = group->entries[i];
        const bool sixteenColours = entry.colourCount == 16 || entry.bitCount == 4;
        has32 = has32 || (entry.width == 32 && entry.height == 32 && sixteenColours);
        has16 = has16 || (entry.width == 16 && entry.height == 16 && sixteenColours);
    }
    FreeLibrary(exe);
    EXPECT_TRUE(has32) << "no 32 x 32 image of 16 colours";
    EXPECT_TRUE(has16) << "no 16 x 16 image of 16 colours";
}

}  // namespace
}  // namespace e2e
