// frmMain built in this process, where its fonts and its answers to messages can be read directly: the
// end-to-end driver, a separate process, cannot read another process's fonts, and Wine never sends
// WM_DPICHANGED, so a DPI change is sent here by hand.
//
// The expected figures are written out below rather than read from the window's table: a slip in the
// table must show up as a failure, not be copied into the expectation.

#include "ui/common/accessible.h"
#include "ui/main/frm_main.h"
#include "ui/main/frm_main_table.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <ostream>
#include <string>

// Beside RECT itself, in the global namespace, where the test macros look for them.
static std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')';
}

static bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

namespace fm = ui::frm_main;

constexpr UINT kWmDpiChanged = 0x02E0; // not in the XP-level headers
constexpr COLORREF kDarkGreen = RGB(0, 64, 0);
constexpr COLORREF kBrightGreen = RGB(0, 255, 0);

struct ControlPlace {
    const char* name;
    int id;
    int left, top, width, height; // twips, in the client area
    int pointsX100;                // 0: the control has no font of its own
};

// cmbComp's height is its closed height.
constexpr ControlPlace kPlaces[] = {
    {"Label1", fm::kLabel1, 120, 240, 3375, 375, 1350},
    {"cmbComp", fm::kCmbComp, 3720, 240, 2895, 360, 975},
    {"cmdKompName", fm::kCmdKompName, 6720, 120, 615, 615, 0},
    {"Label2", fm::kLabel2, 120, 840, 2655, 375, 1350},
    {"txtMessage", fm::kTxtMessage, 120, 1440, 7215, 1695, 1200},
    {"cmdSend", fm::kCmdSend, 6360, 2400, 975, 735, 0},
};
constexpr int kClientWidthTwips = 7470;
constexpr int kClientHeightTwips = 3300;

// The system's own rounding is the reference: a control placed by any other rule is off by a pixel.
int TwipsAt(int twips, int dpi)
{
    return MulDiv(twips, dpi, 1440);
}

int FontHeightAt(int pointsX100, int dpi)
{
    return -MulDiv(pointsX100, dpi, 7200);
}

template <typename Function>
Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int DpiOf(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const int dpi = getDpiForWindow ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

// The window rectangle the system would suggest for the window's client area at this DPI.
RECT SuggestedRect(HWND window, int dpi)
{
    using AdjustFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustFunction>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, TwipsAt(kClientWidthTwips, dpi), TwipsAt(kClientHeightTwips, dpi)};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const BOOL menu = GetMenu(window) != nullptr;
    if (adjustForDpi)
        adjustForDpi(&rect, style, menu, exStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&rect, style, menu, exStyle);
    RECT now{};
    GetWindowRect(window, &now);
    OffsetRect(&rect, now.left - rect.left, now.top - rect.top);
    return rect;
}

RECT RectInClient(HWND window, HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HFONT FontOf(HWND control)
{
    return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class ScreenDC {
public:
    ScreenDC() noexcept : dc_(GetDC(nullptr)) {}
    ~ScreenDC() { ReleaseDC(nullptr, dc_); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A font selected into a DC for one scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class MemoryDC {
public:
    MemoryDC() noexcept : dc_(CreateCompatibleDC(nullptr)) {}
    ~MemoryDC() { DeleteDC(dc_); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// An empty folder as the current directory for the life of the object: the window reads its saved
// names from there, and no file means an empty list and no message box.
class EmptyCurrentDirectory {
public:
    EmptyCurrentDirectory()
    {
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"netsend_ui_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount());
        created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
        entered_ = created_ && SetCurrentDirectoryW(path_.c_str()) != FALSE;
    }
    ~EmptyCurrentDirectory()
    {
        SetCurrentDirectoryW(previous_.c_str());
        if (created_) {
            DeleteFileW((path_ + L"\\net_send.ini").c_str());
            RemoveDirectoryW(path_.c_str());
        }
    }
    EmptyCurrentDirectory(const EmptyCurrentDirectory&) = delete;
    EmptyCurrentDirectory& operator=(const EmptyCurrentDirectory&) = delete;

    bool Entered() const noexcept { return entered_; }

private:
    std::wstring previous_;
    std::wstring path_;
    bool created_ = false;
    bool entered_ = false;
};

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX classes{};
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_WIN95_CLASSES;
        InitCommonControlsEx(&classes);
    }

    void SetUp() override
    {
        folder_ = std::make_unique<EmptyCurrentDirectory>();
        ASSERT_TRUE(folder_->Entered());
        form_ = std::make_unique<ui::FrmMain>();
        form_->Open(SW_SHOWNOACTIVATE);
        window_ = form_->Handle();
        ASSERT_NE(window_, nullptr);
        Pump();
        EXPECT_FALSE(quitSeen_) << "the open window asked the message loop to end";
    }

    void TearDown() override
    {
        if (window_ && IsWindow(window_))
            DestroyWindow(window_);
        // The last open window closing posts WM_QUIT; left in the queue it would end the next test's
        // message box or loop at once.
        Pump();
        MSG quit{};
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        form_.reset();
        folder_.reset();
    }

    // Runs what is queued, swallowing WM_QUIT (which the test notes).
    void Pump()
    {
        MSG message{};
        for (int i = 0; i < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (message.message == WM_QUIT) {
                quitSeen_ = true;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    HWND Control(int id) const { return GetDlgItem(window_, id); }

    void ChangeDpi(int dpi)
    {
        RECT suggested = SuggestedRect(window_, dpi);
        SendMessageW(window_, kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        Pump();
    }

    // Client area, every control's rectangle, the fonts and the window's icons, all at `dpi`.
    void ExpectLaidOutAt(int dpi) const
    {
        SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
        RECT client{};
        GetClientRect(window_, &client);
        EXPECT_EQ(client.right, TwipsAt(kClientWidthTwips, dpi));
        EXPECT_EQ(client.bottom, TwipsAt(kClientHeightTwips, dpi));

        for (const ControlPlace& place : kPlaces) {
            SCOPED_TRACE(place.name);
            HWND control = Control(place.id);
            ASSERT_NE(control, nullptr);
            const int left = TwipsAt(place.left, dpi);
            const int top = TwipsAt(place.top, dpi);
            const RECT expected{left, top, left + TwipsAt(place.width, dpi),
                                top + TwipsAt(place.height, dpi)};
            EXPECT_EQ(RectInClient(window_, control), expected);
            if (place.pointsX100 != 0) {
                ExpectFont(control, place.pointsX100, dpi);
            }
        }

        EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_BIG, 0))),
                  MulDiv(32, dpi, 96));
        EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0))),
                  MulDiv(16, dpi, 96));
    }

    // The font as asked for, and how it comes out: a face with Cyrillic letters, and label text that
    // stays on its one line (a wider substitute face would wrap it and hide the last word).
    static void ExpectFont(HWND control, int pointsX100, int dpi)
    {
        const HFONT handle = FontOf(control);
        ASSERT_NE(handle, nullptr);
        LOGFONTW font{};
        ASSERT_EQ(GetObjectW(handle, sizeof font, &font), static_cast<int>(sizeof font));
        EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfCharSet, RUSSIAN_CHARSET);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(font.lfUnderline, 0);
        EXPECT_EQ(font.lfStrikeOut, 0);
        EXPECT_EQ(font.lfHeight, FontHeightAt(pointsX100, dpi));

        ScreenDC dc;
        Selection selected(dc.Get(), handle);
        EXPECT_EQ(GetTextCharset(dc.Get()), RUSSIAN_CHARSET);
        wchar_t className[16] = {};
        GetClassNameW(control, className, 16);
        if (lstrcmpiW(className, L"Static") == 0) {
            const std::wstring text = TextOf(control);
            SIZE extent{};
            GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
            RECT label{};
            GetClientRect(control, &label);
            EXPECT_LE(extent.cx, label.right) << "the label's text wraps";
            EXPECT_LE(extent.cy, label.bottom) << "the label's line is cut off";
        }
    }

    std::unique_ptr<EmptyCurrentDirectory> folder_;
    std::unique_ptr<ui::FrmMain> form_;
    HWND window_ = nullptr;
    bool quitSeen_ = false;
};

TEST_F(MainWindowTest, OpensLaidOutAtTheWindowsDpi)
{
    ExpectLaidOutAt(DpiOf(window_));
}

// 120 dpi puts halves into the rounding: 7470 twips are 622.5 pixels, 13.5 pt is 22.5 pixels.
TEST_F(MainWindowTest, LaysOutAgainWhenTheDpiChanges)
{
    for (int dpi : {144, 120, 96}) {
        ChangeDpi(dpi);
        ExpectLaidOutAt(dpi);
    }
    EXPECT_FALSE(quitSeen_);
}

struct ColourCase {
    const char* name;
    UINT message;
    HWND (*find)(HWND window);
};

HWND ComboEdit(HWND window)
{
    return FindWindowExW(GetDlgItem(window, fm::kCmbComp), nullptr, L"Edit", nullptr);
}

HWND ComboList(HWND window)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(GetDlgItem(window, fm::kCmbComp), &info) ? info.hwndList : nullptr;
}

// The messages each control really sends its parent when it paints.
const ColourCase kColourCases[] = {
    {"Label1", WM_CTLCOLORSTATIC, [](HWND w) { return GetDlgItem(w, fm::kLabel1); }},
    {"Label2", WM_CTLCOLORSTATIC, [](HWND w) { return GetDlgItem(w, fm::kLabel2); }},
    {"txtMessage", WM_CTLCOLOREDIT, [](HWND w) { return GetDlgItem(w, fm::kTxtMessage); }},
    {"cmbComp", WM_CTLCOLOREDIT, [](HWND w) { return GetDlgItem(w, fm::kCmbComp); }},
    {"cmbComp's edit field", WM_CTLCOLOREDIT, ComboEdit},
    {"cmbComp's drop-down list", WM_CTLCOLORLISTBOX, ComboList},
};

TEST_F(MainWindowTest, ControlsAreBrightGreenOnDarkGreen)
{
    MemoryDC dc;
    ASSERT_NE(dc.Get(), nullptr);
    for (const ColourCase& c : kColourCases) {
        SCOPED_TRACE(c.name);
        HWND control = c.find(window_);
        ASSERT_NE(control, nullptr);
        SetTextColor(dc.Get(), RGB(1, 2, 3));
        SetBkColor(dc.Get(), RGB(4, 5, 6));
        const WPARAM wParam = reinterpret_cast<WPARAM>(dc.Get());
        const LPARAM lParam = reinterpret_cast<LPARAM>(control);
        const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(window_, c.message, wParam, lParam));
        ASSERT_NE(brush, nullptr);
        LOGBRUSH ground{};
        ASSERT_EQ(GetObjectW(brush, sizeof ground, &ground), static_cast<int>(sizeof ground));
        EXPECT_EQ(ground.lbStyle, static_cast<UINT>(BS_SOLID));
        EXPECT_EQ(ground.lbColor, kDarkGreen);
        EXPECT_EQ(GetTextColor(dc.Get()), kBrightGreen);
        EXPECT_EQ(GetBkColor(dc.Get()), kDarkGreen);
        // Answered with the form's one brush, not a new one every time a control paints.
        EXPECT_EQ(SendMessageW(window_, c.message, wParam, lParam), reinterpret_cast<LRESULT>(brush));
    }
}

// What a screen reader hears for each control, asked the way it asks: the control's client object.
// The fields' roles are the system's own and differ between systems; the buttons' role is ours.
struct AccessibleCase {
    const char* control;
    HWND (*find)(HWND window);
    const wchar_t* name;
    LONG role; // 0: whatever the system says
};

const AccessibleCase kAccessibleCases[] = {
    {"cmbComp", [](HWND w) { return GetDlgItem(w, fm::kCmbComp); }, L"Введите имя машины:", 0},
    {"cmbComp's edit field", ComboEdit, L"Введите имя машины:", 0},
    {"txtMessage", [](HWND w) { return GetDlgItem(w, fm::kTxtMessage); }, L"Ваше сообщение:", 0},
    {"cmdSend", [](HWND w) { return GetDlgItem(w, fm::kCmdSend); }, L"Послать сообщение", ROLE_SYSTEM_PUSHBUTTON},
    {"cmdKompName", [](HWND w) { return GetDlgItem(w, fm::kCmdKompName); }, L"Добавить компьютер в список",
     ROLE_SYSTEM_PUSHBUTTON},
};

class ComApartment {
public:
    ComApartment() noexcept : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

TEST_F(MainWindowTest, ScreenReadersHearEveryControlsName)
{
    // Opening the window must not have paid for the accessibility runtime: only a client's request loads it.
    EXPECT_FALSE(ui::AccessibilityRuntimeLoaded());
    ComApartment com;
    // A label answers with the system's own object, nothing of ours in between. Wine 8's 64-bit oleacc
    // hands out none at all, for any window (E_NOINTERFACE), while its 32-bit one reads even the 64-bit
    // program's names from outside.
    IAccessible* plain = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Control(fm::kLabel1), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&plain))) ||
        !plain)
        GTEST_SKIP() << "this system's accessibility client reaches no control at all, not even a plain label";
    plain->Release();
    for (const AccessibleCase& c : kAccessibleCases) {
        SCOPED_TRACE(c.control);
        HWND control = c.find(window_);
        ASSERT_NE(control, nullptr);
        IAccessible* object = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(&object)),
                  S_OK);
        ASSERT_NE(object, nullptr);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        EXPECT_EQ(object->get_accName(self, &name), S_OK);
        EXPECT_STREQ(name, c.name);
        SysFreeString(name);
        VARIANT role{};
        EXPECT_EQ(object->get_accRole(self, &role), S_OK);
        if (c.role != 0) {
            EXPECT_EQ(role.vt, VT_I4);
            EXPECT_EQ(role.lVal, c.role);
        }
        object->Release();
    }
    EXPECT_TRUE(ui::AccessibilityRuntimeLoaded());
}

} // namespace
