// frmMain built in this process, where its fonts, its answers to messages and its keyboard handling can
// be read directly: the end-to-end driver, a separate process, cannot read another process's fonts, and
// Wine never sends WM_DPICHANGED, so a DPI change is sent here by hand. Queued messages go through the
// program's own keyboard step (Window::PreTranslate) as in its message loop. What the window must look
// like is taken from the figures every test layer shares, never from the program's own table, whose ids
// serve only to find the controls.

#include "common/system_reason.h"
#include "common/unique_handle_win.h"
#include "expected/window_figures.h"
#include "recipients_platform.h"
#include "ui/about/frm_help.h"
#include "ui/common/handles.h"
#include "ui/main/frm_main.h"
#include "ui/main/frm_main_table.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <servprov.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {
// While not 0, every request for this many bytes or more is refused, as when memory runs out: a list read
// then fails part-way, at its first very long line.
std::size_t refuseAllocationsFrom = 0;
} // namespace

void* operator new(std::size_t size)
{
    if (refuseAllocationsFrom != 0 && size >= refuseAllocationsFrom)
        throw std::bad_alloc();
    if (void* memory = HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    if (memory)
        HeapFree(GetProcessHeap(), 0, memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    operator delete(memory);
}

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

bool highContrast = false;

} // namespace

// Wine refuses SPI_SETHIGHCONTRAST and always answers that High Contrast is off, so the tests answer
// the window's question instead of the system; this definition keeps the library's out of the test.
bool ui::HighContrastOn()
{
    return highContrast;
}

namespace {

constexpr UINT kWmDpiChanged = 0x02E0; // not in the XP-level headers
constexpr COLORREF Colour(expected::Rgb c)
{
    return RGB(c.red, c.green, c.blue);
}
constexpr COLORREF kDarkGreen = Colour(expected::kDarkGreen);
constexpr COLORREF kBrightGreen = Colour(expected::kBrightGreen);

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
    const ui::WindowDC screen(nullptr);
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
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
    RECT rect{0, 0, TwipsAt(expected::kMainClientWidth, dpi), TwipsAt(expected::kMainClientHeight, dpi)};
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

using BitmapHandle = UniqueHandle<ui::GdiObjectTraits<HBITMAP>>;

struct MemoryDCTraits {
    using Handle = HDC;
    static void Close(HDC dc) noexcept { DeleteDC(dc); }
};
using MemoryDC = UniqueHandle<MemoryDCTraits>;

int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    // GetIconInfo hands over copies of the icon's bitmaps.
    const BitmapHandle colour(info.hbmColor);
    const BitmapHandle mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectW(colour ? colour.Get() : mask.Get(), sizeof bitmap, &bitmap);
    return bitmap.bmWidth;
}

// The button pictures are stored at 16, 32 and 48 pixels: a button shows the largest that is not larger
// than the 32 pixels at 96 dpi grown with the DPI, never a stretched one.
int StoredPictureSizeAt(int dpi)
{
    const int wanted = MulDiv(32, dpi, 96);
    return wanted >= 48 ? 48 : (wanted >= 32 ? 32 : 16);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A picture in memory, drawn into and read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        SelectObject(dc_.Get(), bitmap_.Get()); // the DC goes first, and lets go of the bitmap as it goes
    }
    void Fill(COLORREF colour) const
    {
        const ui::BrushHandle ground(CreateSolidBrush(colour));
        const RECT all{0, 0, width_, height_};
        FillRect(dc_.Get(), &all, ground.Get());
    }
    HDC Dc() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_.Get(), x, y); }

private:
    int width_, height_;
    BitmapHandle bitmap_{CreateCompatibleBitmap(ui::WindowDC(nullptr).Get(), width_, height_)};
    MemoryDC dc_{CreateCompatibleDC(nullptr)};
};

// The icon resource that shows this picture, at this size: the image stored for it, else one scaled.
ui::IconHandle ExpectedIcon(expected::Icon picture, int size)
{
    return ui::IconHandle(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                        MAKEINTRESOURCEW(static_cast<int>(picture)), IMAGE_ICON, size,
                                                        size, LR_DEFAULTCOLOR)));
}

// Whether `icon`, drawn unscaled on the dark green ground, is what `painted` shows in its middle; held
// down, a button shifts its picture by the width of its edge's lines (one or two pixels).
bool ShowsIcon(const Canvas& painted, HICON icon, int size, bool pressed = false)
{
    const Canvas alone(size, size);
    alone.Fill(kDarkGreen);
    DrawIconEx(alone.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    for (int shift = pressed ? 1 : 0; shift <= (pressed ? 2 : 0); ++shift) {
        const int left = (painted.Width() - size) / 2 + shift;
        const int top = (painted.Height() - size) / 2 + shift;
        bool same = left >= 0 && top >= 0 && left + size <= painted.Width() && top + size <= painted.Height();
        for (int y = 0; same && y < size; ++y)
            for (int x = 0; same && x < size; ++x)
                same = painted.At(left + x, top + y) == alone.At(x, y);
        if (same)
            return true;
    }
    return false;
}

// A window's icon against the resource of the picture it should be, pixel for pixel at the icon's size.
void ExpectIcon(HICON icon, expected::Icon picture)
{
    const int size = IconWidth(icon);
    ASSERT_GT(size, 0) << "no icon";
    const ui::IconHandle wanted = ExpectedIcon(picture, size);
    ASSERT_TRUE(wanted);
    const Canvas shown(size, size);
    shown.Fill(kDarkGreen);
    DrawIconEx(shown.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    EXPECT_TRUE(ShowsIcon(shown, wanted.Get(), size)) << "not icon resource " << static_cast<int>(picture);
}

// The control of the program's table that bears this name.
int IdOf(const char* name)
{
    for (std::size_t i = 0; i < fm::kForm.controlCount; ++i)
        if (std::strcmp(fm::kForm.controls[i].name, name) == 0)
            return fm::kForm.controls[i].id;
    return 0;
}

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
        // The window reads its saved names from the current folder: none there is an empty list and no
        // message box.
        recipients_test::EnterScratchFolder();
        ASSERT_FALSE(HasFatalFailure());
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
        recipients_test::LeaveScratchFolder();
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
            if (ui::Window::PreTranslate(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // A key pressed on the control that has the focus, through the queue as the system delivers it; a
    // held key comes again with the repeat bit (30) set.
    void Press(UINT key, bool held = false)
    {
        const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(key, 0)) << 16;
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1 | scanCode | (held ? LPARAM{1} << 30 : 0));
        Pump();
    }

    // Left button presses in the middle of a control; a double click as the system sends it, the second
    // press as WM_LBUTTONDBLCLK.
    void Click(HWND control, bool twice = false)
    {
        RECT area{};
        GetClientRect(control, &area);
        const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
        PostMessageW(control, WM_LBUTTONUP, 0, middle);
        if (twice) {
            PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, middle);
            PostMessageW(control, WM_LBUTTONUP, 0, middle);
        }
        Pump();
    }

    void Activate(HWND window)
    {
        SetForegroundWindow(window);
        SetActiveWindow(window);
        Pump();
    }

    // cmdKompName's click saves the typed name as a line of net_send.ini in the test's folder, so the
    // lines saved count its clicks.
    static int SavedNames()
    {
        const std::string content = recipients_test::NamesFileContent();
        return static_cast<int>(std::count(content.begin(), content.end(), '\n'));
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
        EXPECT_EQ(client.right, TwipsAt(expected::kMainClientWidth, dpi));
        EXPECT_EQ(client.bottom, TwipsAt(expected::kMainClientHeight, dpi));

        for (const expected::Control& row : expected::kMainControls) {
            SCOPED_TRACE(row.name);
            HWND control = Control(IdOf(row.name));
            ASSERT_NE(control, nullptr);
            // A combo box's height is its closed height: its window rectangle leaves the list out.
            const int left = TwipsAt(row.left, dpi);
            const int top = TwipsAt(row.top, dpi);
            const RECT place{left, top, left + TwipsAt(row.width, dpi), top + TwipsAt(row.height, dpi)};
            EXPECT_EQ(RectInClient(window_, control), place);
            if (row.text) {
                EXPECT_EQ(TextOf(control), row.text);
            }
            if (row.font.face)
                ExpectFont(control, row.font, dpi);
            if (row.picture != expected::Icon::None)
                ExpectPicture(control, row.picture, false, dpi);
            if (row.pressedPicture != expected::Icon::None)
                ExpectPicture(control, row.pressedPicture, true, dpi);
        }

        // The list shows as many names as the layout leaves room for, also with common controls 6.
        EXPECT_EQ(SendMessageW(Control(fm::kCmbComp), CB_GETMINVISIBLE, 0, 0), 8);
        ExpectTooltipFontAt(dpi);

        const auto big = reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_BIG, 0));
        const auto small = reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(IconWidth(big), MulDiv(32, dpi, 96));
        EXPECT_EQ(IconWidth(small), MulDiv(16, dpi, 96));
        ExpectIcon(big, expected::kMainIcon);
        ExpectIcon(small, expected::kMainIcon);
    }

    // The owner-drawn button painted as it is, or held down, into memory: its picture is the icon resource
    // drawn unscaled, at the largest size stored that is not larger than the DPI asks for.
    void ExpectPicture(HWND control, expected::Icon picture, bool pressed, int dpi) const
    {
        const auto painted = DrawButton(control, pressed ? ODS_SELECTED : 0u);
        const int size = StoredPictureSizeAt(dpi);
        const ui::IconHandle icon = ExpectedIcon(picture, size);
        ASSERT_EQ(IconWidth(icon.Get()), size);
        EXPECT_TRUE(ShowsIcon(*painted, icon.Get(), size, pressed))
            << "not icon resource " << static_cast<int>(picture) << (pressed ? " when held down" : "") << " at "
            << size << " pixels";
    }

    // The tooltip's text in the system's tooltip font, grown with the window's DPI.
    void ExpectTooltipFontAt(int dpi) const
    {
        HWND tooltip = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&tooltip));
        ASSERT_NE(tooltip, nullptr);
        ASSERT_EQ(GetWindow(tooltip, GW_OWNER), window_);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
        LOGFONTW font{};
        ASSERT_EQ(GetObjectW(FontOf(tooltip), sizeof font, &font), static_cast<int>(sizeof font));
        EXPECT_STREQ(font.lfFaceName, metrics.lfStatusFont.lfFaceName);
        EXPECT_EQ(font.lfHeight, MulDiv(metrics.lfStatusFont.lfHeight, dpi, ScreenDpi()));
    }

    // What the window answers and paints for its controls and ground; cmdKompName stands for both picture
    // buttons.
    void ExpectColours(COLORREF text, COLORREF ground, COLORREF buttonGround) const;

    // A picture button drawn as the window draws it (as it is, focused or held down), into a bitmap of its
    // size.
    std::unique_ptr<Canvas> DrawButton(HWND button, UINT state) const
    {
        RECT rect{};
        GetClientRect(button, &rect);
        auto canvas = std::make_unique<Canvas>(rect.right, rect.bottom);
        const auto id = static_cast<UINT>(GetDlgCtrlID(button));
        DRAWITEMSTRUCT item{ODT_BUTTON, id, 0, ODA_DRAWENTIRE, state, button, canvas->Dc(), rect, 0};
        SendMessageW(window_, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
        return canvas;
    }
    std::unique_ptr<Canvas> DrawButton(bool focused) const
    {
        return DrawButton(Control(fm::kCmdKompName), focused ? ODS_FOCUS : 0u);
    }

    static BOOL CALLBACK FindTooltip(HWND window, LPARAM found)
    {
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (lstrcmpiW(className, TOOLTIPS_CLASSW) != 0)
            return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    // The font as asked for, and how it comes out: a face with Cyrillic letters, and label text that
    // stays on its one line (a wider substitute face would wrap it and hide the last word). Away from
    // 96 dpi the face's TrueType twin may stand in where the bitmap face has no such height.
    static void ExpectFont(HWND control, const expected::Font& wanted, int dpi)
    {
        const HFONT handle = FontOf(control);
        ASSERT_NE(handle, nullptr);
        LOGFONTW font{};
        ASSERT_EQ(GetObjectW(handle, sizeof font, &font), static_cast<int>(sizeof font));
        const bool twin = dpi != 96 && lstrcmpW(font.lfFaceName, L"Microsoft Sans Serif") == 0;
        if (!twin) {
            EXPECT_STREQ(font.lfFaceName, wanted.face);
        }
        EXPECT_EQ(font.lfWeight, wanted.weight);
        EXPECT_EQ(font.lfCharSet, wanted.charset);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(font.lfUnderline, 0);
        EXPECT_EQ(font.lfStrikeOut, 0);
        EXPECT_EQ(font.lfHeight, FontHeightAt(wanted.pointsX100, dpi));

        const ui::WindowDC dc(nullptr);
        const ui::Selection selected(dc.Get(), handle);
        EXPECT_EQ(GetTextCharset(dc.Get()), wanted.charset) << "the system gave a face without these letters";
        // Wine has neither face (it substitutes its own) and shows only the narrowing below.
        wchar_t face[LF_FACESIZE] = {};
        TEXTMETRICW metrics{};
        ASSERT_TRUE(GetTextFaceW(dc.Get(), LF_FACESIZE, face) && GetTextMetricsW(dc.Get(), &metrics));
        if (dpi != 96 && lstrcmpiW(face, font.lfFaceName) == 0) {
            EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, -font.lfHeight) << "a scaled bitmap face";
        }
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

    // What the window's buttons tell it (WM_COMMAND from a button: a click), seen by a hook on this thread.
    static LRESULT CALLBACK WatchCommands(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->hwnd == watched_ && call->message == WM_COMMAND && call->lParam != 0) {
            wchar_t className[16] = {};
            GetClassNameW(reinterpret_cast<HWND>(call->lParam), className, 16);
            buttonCommands_ += lstrcmpiW(className, L"Button") == 0; // not the edit's change notes
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HookHandle WatchButtonCommands()
    {
        watched_ = window_;
        buttonCommands_ = 0;
        return HookHandle(SetWindowsHookExW(WH_CALLWNDPROC, WatchCommands, nullptr, GetCurrentThreadId()));
    }

    // Where the About window is made, as its creation asks.
    static LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
    {
        wchar_t className[16] = {};
        if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16) &&
            lstrcmpW(className, L"frm_Help") == 0) {
            const CREATESTRUCTW& made = *reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs;
            aboutMade_ = RECT{made.x, made.y, made.x + made.cx, made.y + made.cy};
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    // Whether each control of the window, as it is destroyed, still has a font that exists.
    static LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_DESTROY && GetParent(call->hwnd) == watched_) {
            if (const HFONT font = FontOf(call->hwnd)) {
                ++fontsAtDestroy_;
                fontsGone_ += GetObjectType(font) != OBJ_FONT;
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    HookHandle WatchControlsDestroyed()
    {
        watched_ = window_;
        fontsAtDestroy_ = 0;
        fontsGone_ = 0;
        return HookHandle(SetWindowsHookExW(WH_CALLWNDPROC, WatchDestroy, nullptr, GetCurrentThreadId()));
    }

    static HWND watched_;
    static int buttonCommands_;
    static RECT aboutMade_;
    static int fontsAtDestroy_;
    static int fontsGone_;

    std::unique_ptr<ui::FrmMain> form_;
    HWND window_ = nullptr;
    bool quitSeen_ = false;
};

TEST_F(MainWindowTest, OpensLaidOutAtTheWindowsDpi)
{
    ExpectLaidOutAt(DpiOf(window_));
}

// 120 dpi puts halves into the rounding: 7470 twips are 622.5 pixels, 13.5 pt is 22.5 pixels. 120 and
// 168 dpi ask for pictures of 40 and 56 pixels, which are not stored, and 192 dpi for 64, above the largest.
TEST_F(MainWindowTest, LaysOutAgainWhenTheDpiChanges)
{
    for (int dpi : {144, 120, 192, 168, 96}) {
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

void MainWindowTest::ExpectColours(COLORREF text, COLORREF ground, COLORREF buttonGround) const
{
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
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
        LOGBRUSH painted{};
        ASSERT_EQ(GetObjectW(brush, sizeof painted, &painted), static_cast<int>(sizeof painted));
        EXPECT_EQ(painted.lbStyle, static_cast<UINT>(BS_SOLID));
        EXPECT_EQ(painted.lbColor, ground);
        EXPECT_EQ(GetTextColor(dc.Get()), text);
        EXPECT_EQ(GetBkColor(dc.Get()), ground);
        // Answered with the form's one brush, not a new one every time a control paints.
        EXPECT_EQ(SendMessageW(window_, c.message, wParam, lParam), reinterpret_cast<LRESULT>(brush));
    }
    const Canvas bare(4, 4);
    SendMessageW(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(bare.Dc()), 0);
    EXPECT_EQ(bare.At(1, 1), ground) << "the window's own ground";
    // Between the edge and the focus mark at every DPI.
    const int inside = MulDiv(3, DpiOf(window_), 96);
    EXPECT_EQ(DrawButton(false)->At(inside, inside), buttonGround) << "cmdKompName's ground";
}

TEST_F(MainWindowTest, ControlsAreBrightGreenOnDarkGreen)
{
    ExpectColours(kBrightGreen, kDarkGreen, kDarkGreen);
}

// Switched both ways while the window is open, each time announced by one of the two messages the system
// sends. Wine draws nothing differently in High Contrast: its colours are the usual ones, and those are
// what the window takes.
TEST_F(MainWindowTest, HighContrastTurnsTheSystemsColoursOnAndOffWhileTheWindowIsOpen)
{
    highContrast = true;
    SendMessageW(window_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    highContrast = false; // what the next message finds, and what the other tests need if this one fails
    ExpectColours(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE));
    RECT button{};
    GetClientRect(Control(fm::kCmdKompName), &button);
    const int focusMark = MulDiv(4, DpiOf(window_), 96);
    EXPECT_EQ(DrawButton(true)->At(button.right / 2, focusMark), GetSysColor(COLOR_HIGHLIGHT)) << "the focus mark";

    SendMessageW(window_, WM_SYSCOLORCHANGE, 0, 0);
    ExpectColours(kBrightGreen, kDarkGreen, kDarkGreen);
}

// The system's fonts changed while the window is open: the tooltip takes the new one, however the change
// is announced. Changed without telling any window (the test tells its own) and put back afterwards.
TEST_F(MainWindowTest, TooltipTakesTheSystemsNewFont)
{
    NONCLIENTMETRICSW saved{};
    saved.cbSize = sizeof saved;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0));
    const struct {
        WPARAM setting;
        const wchar_t* section;
    } announcements[] = {{SPI_SETNONCLIENTMETRICS, nullptr}, {0, L"WindowMetrics"}};
    NONCLIENTMETRICSW changed = saved;
    for (const auto& announced : announcements) {
        changed.lfStatusFont.lfHeight += changed.lfStatusFont.lfHeight < 0 ? -4 : 4;
        EXPECT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof changed, &changed, 0));
        SendMessageW(window_, WM_SETTINGCHANGE, announced.setting, reinterpret_cast<LPARAM>(announced.section));
        ExpectTooltipFontAt(DpiOf(window_));
    }
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved, &saved, 0);
}

// One pixel a line up to 150 %, two at 200 %: each row of the edge, and each row of the focus mark along
// the top side (the rows in which the focus changes anything between its left and right sides).
TEST_F(MainWindowTest, ButtonEdgesAndFocusMarkGrowWithTheDpi)
{
    const struct {
        int dpi;
        int line;
    } cases[] = {{96, 1}, {144, 1}, {192, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE("at " + std::to_string(c.dpi) + " dpi");
        ChangeDpi(c.dpi);
        const auto plain = DrawButton(false);
        const auto focused = DrawButton(true);
        RECT rect{};
        GetClientRect(Control(fm::kCmdKompName), &rect);
        const int inset = MulDiv(4, c.dpi, 96);
        for (int y = 0; y < inset; ++y)
            EXPECT_EQ(plain->At(rect.right / 2, y) != kDarkGreen, y < 2 * c.line) << "row " << y;
        for (int y = 0; y < rect.bottom / 2; ++y) {
            bool changed = false;
            for (int x = inset + c.line; x < rect.right - inset - c.line; ++x)
                changed = changed || plain->At(x, y) != focused->At(x, y);
            EXPECT_EQ(changed, y >= inset && y < inset + c.line) << "row " << y << " with the focus";
        }
    }
}

// Made where it shows and at the size it keeps, so that it is laid out once: moved after it was made, to
// a screen of another DPI, it would be laid out again.
TEST_F(MainWindowTest, AboutWindowIsMadeCentredOverTheMainWindow)
{
    Activate(window_);
    const HookHandle hook(SetWindowsHookExW(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(fm::kHelp, 0), 0);
    Pump();
    const ui::WindowHandle about(FindWindowW(L"frm_Help", nullptr));
    ASSERT_TRUE(about);
    RECT shown{};
    GetWindowRect(about.Get(), &shown);
    EXPECT_EQ(shown, aboutMade_);
    RECT main{};
    GetWindowRect(window_, &main);
    EXPECT_LE(std::abs((shown.left + shown.right) - (main.left + main.right)), 1);
    EXPECT_LE(std::abs((shown.top + shown.bottom) - (main.top + main.bottom)), 1);
}

HWND MainWindowTest::watched_ = nullptr;
RECT MainWindowTest::aboutMade_{};
int MainWindowTest::buttonCommands_ = 0;
int MainWindowTest::fontsAtDestroy_ = 0;
int MainWindowTest::fontsGone_ = 0;

// An exception that ends the opening (or anything else) can leave the object to go while its window is
// still open: the window goes with it, while the fonts its controls were given still exist.
TEST_F(MainWindowTest, AWindowStillOpenWhenItsObjectGoesIsDestroyedBeforeItsFonts)
{
    const HookHandle hook = WatchControlsDestroyed();
    ASSERT_TRUE(hook);
    form_.reset();
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_GT(fontsAtDestroy_, 0);
    EXPECT_EQ(fontsGone_, 0) << "controls were destroyed after their fonts";
}

// Keys and clicks as the window itself handles them. cmdKompName stands for both picture buttons:
// they share this handling, and its click has an effect that can be counted here (a saved line), where
// cmdSend's starts a process.

TEST_F(MainWindowTest, EnterOnAFocusedButtonClicksOnceAndAHeldEnterDoesNotRepeat)
{
    SetWindowTextW(Control(fm::kCmbComp), L"PC1");
    Activate(window_);
    SetFocus(Control(fm::kCmdKompName));
    Press(VK_RETURN);
    EXPECT_EQ(SavedNames(), 1);
    for (int repeat = 0; repeat < 3; ++repeat)
        Press(VK_RETURN, true);
    EXPECT_EQ(SavedNames(), 1) << "a held Enter clicked again";
    Press(VK_RETURN);
    EXPECT_EQ(SavedNames(), 2) << "a second press did not click";
    EXPECT_EQ(GetFocus(), Control(fm::kCmdKompName));
}

TEST_F(MainWindowTest, EnterInTheMessageBoxBreaksTheLineAndClicksNothing)
{
    HWND message = Control(fm::kTxtMessage);
    SetWindowTextW(message, L"Привет");
    Activate(window_);
    SetFocus(message);
    SendMessageW(message, EM_SETSEL, 6, 6);
    const HookHandle hook = WatchButtonCommands();
    ASSERT_TRUE(hook);
    Press(VK_RETURN);
    EXPECT_EQ(TextOf(message), L"Привет\r\n");
    EXPECT_EQ(buttonCommands_, 0) << "Enter in the message box sent or clicked";
    EXPECT_EQ(GetFocus(), message);
}

TEST_F(MainWindowTest, DoubleClickOnAButtonCountsAsTwoClicks)
{
    SetWindowTextW(Control(fm::kCmbComp), L"PC1");
    Click(Control(fm::kCmdKompName));
    EXPECT_EQ(SavedNames(), 1);
    Click(Control(fm::kCmdKompName), true);
    EXPECT_EQ(SavedNames(), 3);
}

// txtMessage is left out: it is where the focus starts, so it would pass without anything remembered.
TEST_F(MainWindowTest, FocusComesBackToTheControlThatHadItWhenTheWindowIsActivatedAgain)
{
    for (const char* name : {"cmbComp", "cmdSend", "cmdKompName"}) {
        SCOPED_TRACE(name);
        HWND control = Control(IdOf(name));
        const auto hasFocus = [control] {
            HWND focus = GetFocus();
            return focus == control || IsChild(control, focus); // the list's focus is in its edit field
        };
        Activate(window_);
        SetFocus(control);
        Pump();
        ASSERT_TRUE(hasFocus());

        const ui::WindowHandle other(CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                                     200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(other);
        Activate(other.Get());
        ASSERT_EQ(GetActiveWindow(), other.Get());
        EXPECT_FALSE(hasFocus());

        Activate(window_);
        ASSERT_EQ(GetActiveWindow(), window_);
        EXPECT_TRUE(hasFocus()) << "the focus is on " << GetFocus();
    }
}

// Into the list's edit field from cmdSend, into the message box from the list.
TEST_F(MainWindowTest, TabIntoAFieldSelectsTheWholeText)
{
    const std::wstring text = L"ПК-12";
    for (const auto& [from, to] : {std::pair{fm::kCmdSend, fm::kCmbComp}, std::pair{fm::kCmbComp, fm::kTxtMessage}}) {
        HWND field = Control(to);
        SetWindowTextW(field, text.c_str());
        Activate(window_);
        SetFocus(Control(from));
        Pump();
        Press(VK_TAB);
        HWND focus = GetFocus();
        ASSERT_TRUE(focus == field || IsChild(field, focus)) << "Tab did not reach field " << to;
        DWORD start = 99;
        DWORD end = 0;
        SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, text.size());
    }
}

TEST_F(MainWindowTest, CaptionStackingMenuBarAndMessageBoxAreTheExpectedOnes)
{
    EXPECT_EQ(TextOf(window_), expected::kMainCaption);
    // Front to back; the labels lie behind the rest. cmdSend covers a corner of txtMessage.
    std::vector<std::string> frontToBack;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        for (const expected::Control& row : expected::kMainControls)
            if (child == Control(IdOf(row.name)) && frontToBack.size() < std::size(expected::kMainFrontToBack))
                frontToBack.push_back(row.name);
    EXPECT_EQ(frontToBack, std::vector<std::string>(std::begin(expected::kMainFrontToBack),
                                                     std::end(expected::kMainFrontToBack)));
    HMENU menu = GetMenu(window_);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(std::size(expected::kMainMenu)));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t caption[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
        std::wstring plain = caption;
        plain.erase(std::remove(plain.begin(), plain.end(), L'&'), plain.end()); // the keyboard mnemonic
        EXPECT_EQ(plain, expected::kMainMenu[i].caption) << "entry " << i;
        EXPECT_EQ(GetSubMenu(menu, i), nullptr) << "entry " << i << " opens entries of its own";
    }

    HWND message = Control(IdOf("txtMessage"));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(message, GWL_STYLE));
    const expected::TextBox& box = expected::kMessageBox;
    EXPECT_EQ((style & ES_MULTILINE) != 0, box.multiLine);
    EXPECT_EQ((style & ES_WANTRETURN) != 0, box.enterBreaksLine);
    EXPECT_EQ((style & (WS_VSCROLL | WS_HSCROLL)) != 0, box.scrollBars);
    EXPECT_EQ((style & ES_AUTOHSCROLL) != 0, box.scrollsSideways) << "lines do not wrap";
    // Unsigned: lifted, the limit is the largest number the system has, which a 32-bit LRESULT shows as -1.
    EXPECT_GT(static_cast<DWORD>(SendMessageW(message, EM_GETLIMITTEXT, 0, 0)),
              static_cast<DWORD>(box.moreCharactersThan));
}

// COM's rule: every interface the object hands out answers IUnknown with one and the same pointer.
void ExpectOneIdentity(IAccessible* object)
{
    IUnknown* identity = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    const struct {
        const char* name;
        const IID& iid;
    } asked[] = {{"IDispatch", IID_IDispatch},     {"IAccessible", IID_IAccessible},
                 {"IOleWindow", IID_IOleWindow},   {"IEnumVARIANT", IID_IEnumVARIANT},
                 {"IServiceProvider", IID_IServiceProvider}};
    for (const auto& entry : asked) {
        IUnknown* handed = nullptr;
        if (FAILED(object->QueryInterface(entry.iid, reinterpret_cast<void**>(&handed))) || !handed)
            continue;
        IUnknown* itsIdentity = nullptr;
        EXPECT_EQ(handed->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&itsIdentity)), S_OK);
        EXPECT_EQ(itsIdentity, identity) << "another object behind " << entry.name;
        if (itsIdentity)
            itsIdentity->Release();
        handed->Release();
    }
    identity->Release();
}

// The controls that answer screen readers themselves keep COM's rules, and a client still finds each
// control's window from its object. What the objects say is heard from outside, as a screen reader hears
// it, by the end-to-end driver. Wine's 64-bit oleacc hands out no object at all (E_NOINTERFACE).
TEST_F(MainWindowTest, AccessibleObjectsKeepOneIdentity)
{
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    for (HWND control : {Control(fm::kCmbComp), ComboEdit(window_), Control(fm::kTxtMessage), Control(fm::kCmdSend),
                         Control(fm::kCmdKompName)}) {
        IAccessible* object = nullptr;
        if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                              reinterpret_cast<void**>(&object))) ||
            !object) {
            if (com)
                CoUninitialize();
            GTEST_SKIP() << "this system's accessibility client reaches no control at all";
        }
        ExpectOneIdentity(object);
        HWND window = nullptr;
        EXPECT_EQ(WindowFromAccessibleObject(object, &window), S_OK);
        EXPECT_EQ(window, control) << "a client looking for the control's window finds another";
        object->Release();
    }
    if (com)
        CoUninitialize();
}

TEST_F(MainWindowTest, AboutWindowShowsItsIcon)
{
    ui::ShowAbout();
    Pump();
    HWND about = FindWindowW(nullptr, expected::kAboutCaption);
    ASSERT_NE(about, nullptr);
    ExpectIcon(reinterpret_cast<HICON>(SendMessageW(about, WM_GETICON, ICON_BIG, 0)), expected::kAboutIcon);
    ExpectIcon(reinterpret_cast<HICON>(SendMessageW(about, WM_GETICON, ICON_SMALL, 0)), expected::kAboutIcon);
    DestroyWindow(about);
    Pump();
}

// The text of the message box the window shows on this thread, which is closed at once.
std::wstring shownMessage;

LRESULT CALLBACK CloseMessageBox(int code, WPARAM wParam, LPARAM lParam)
{
    const auto box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(box, className, 16) && lstrcmpW(className, L"#32770") == 0) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024); // the static text of a message box
        shownMessage = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Memory running out on an endless last line ends the reading part-way: the names before it stay listed.
TEST_F(MainWindowTest, NamesReadBeforeAFailureStayListed)
{
    DestroyWindow(window_);
    Pump();
    recipients_test::WriteNamesFile("PC1\r\nPC2\r\n" + std::string(std::size_t{2} << 20, 'x'));
    const HookHandle hook(SetWindowsHookExW(WH_CBT, CloseMessageBox, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    form_ = std::make_unique<ui::FrmMain>();
    refuseAllocationsFrom = std::size_t{1} << 20;
    form_->Open(SW_SHOWNOACTIVATE);
    refuseAllocationsFrom = 0;
    window_ = form_->Handle();
    EXPECT_EQ(shownMessage, recipients_test::ReadFailureText(SystemReason(OutOfMemoryError())));
    HWND combo = Control(fm::kCmbComp);
    std::vector<std::wstring> items(static_cast<std::size_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < items.size(); ++i) {
        wchar_t item[16] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        items[i] = item;
    }
    EXPECT_EQ(items, (std::vector<std::wstring>{L"PC1", L"PC2"}));
}

} // namespace
