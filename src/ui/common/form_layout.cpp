#include "ui/common/dpi.h"
#include "ui/common/fonts.h"
#include "ui/common/form.h"
#include "ui/common/pictures.h"
#include "ui/common/twips.h"

#include <commctrl.h>

namespace ui {
namespace {

// Picture buttons show 32-pixel icons at 96 dpi, grown with the DPI like the buttons around them as far
// as the stored images go: a picture is never stretched.
constexpr int kButtonIconAt96 = 32;
// The stretched image is drawn from the 32 x 32 icon whatever the DPI: stretching does the rest.
constexpr int kImageIconSize = 32;
// Items the drop-down list shows before it scrolls.
constexpr int kVisibleListItems = 8;

// Grows or shrinks a combo box's edit field until the closed box is `height` pixels tall. Measured
// rather than computed: how the field height relates to the box differs between systems (and what
// CB_GETITEMHEIGHT reports back need not be what was set), so a few rounds converge on it.
void FitClosedHeight(HWND combo, int height)
{
    LRESULT field = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int round = 0; round < 3 && field != CB_ERR; ++round) {
        RECT closed{};
        GetWindowRect(combo, &closed);
        const int missing = height - (closed.bottom - closed.top);
        if (missing == 0 || field + missing <= 0)
            return;
        field += missing;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

} // namespace

void Form::Layout(int dpi)
{
    dpi_ = dpi;
    highContrast_ = HighContrastOn();
    ApplyFonts(dpi);
    ApplyTooltipFont(dpi);
    LoadPictures(dpi);
    SizeClientArea(dpi);
    PlaceControls(dpi);
    // The controls too: a font handed over in WM_SETFONT shows only once a control paints again.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form::ApplyFonts(int dpi)
{
    std::vector<FontHandle> fonts;
    std::vector<const FontDef*> seen;
    WindowDC dc(window_);
    for (std::size_t i = 0; i < table_.controlCount; ++i) {
        const FontDef& wanted = table_.controls[i].font;
        std::size_t slot = 0;
        while (slot < seen.size() && !SameFont(*seen[slot], wanted))
            ++slot;
        if (slot == seen.size()) {
            seen.push_back(&wanted);
            fonts.push_back(CreateFormFont(dc.Get(), table_, wanted, dpi));
        }
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts[slot].Get()), FALSE);
    }
    fonts_ = std::move(fonts); // only now are the old fonts unused
}

void Form::ApplyTooltipFont(int dpi)
{
    // The tooltip makes its own font once, at the DPI of the screen where the program started; a window
    // on a monitor of another DPI needs the system's tooltip font at its own.
    NONCLIENTMETRICSW system{};
    if (!tooltip_ || !SystemFontsForDpi(dpi, system))
        return;
    FontHandle font(CreateFontIndirectW(&system.lfStatusFont));
    if (!font)
        return;
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    tooltipFont_ = std::move(font); // only now is the old font unused
}

void Form::LoadPictures(int dpi)
{
    pictures_.clear();
    pressedPictures_.clear();
    pictureSizes_.clear();
    const int wanted = ScaleFrom96(kButtonIconAt96, dpi);
    for (std::size_t i = 0; i < table_.controlCount; ++i) {
        const ControlRow& row = table_.controls[i];
        // A button's two pictures are stored at the same sizes.
        const int size = row.kind == ControlKind::Image ? kImageIconSize : StoredPictureSize(row.picture, wanted);
        pictures_.push_back(LoadPicture(row.picture, size));
        pressedPictures_.push_back(LoadPicture(row.pressedPicture, size));
        pictureSizes_.push_back(size);
    }

    // The window keeps using an icon it was given, so the old ones go only after the new ones are in.
    IconHandle bigIcon = LoadPicture(table_.icon, ScaleFrom96(32, dpi));
    IconHandle smallIcon = LoadPicture(table_.icon, ScaleFrom96(16, dpi));
    if (bigIcon)
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    if (smallIcon)
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    bigIcon_ = std::move(bigIcon);
    smallIcon_ = std::move(smallIcon);
}

SIZE Form::FrameSize(int dpi, DWORD style, DWORD exStyle) const
{
    RECT frame{0, 0, TwipsToPixels(table_.clientWidthTwips, dpi), TwipsToPixels(table_.clientHeightTwips, dpi)};
    AdjustFrameForDpi(frame, style, table_.menuCount > 0, exStyle, dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void Form::SizeClientArea(int dpi) const
{
    // A maximized or minimized window keeps the size the system gave it.
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    if (style & (WS_MAXIMIZE | WS_MINIMIZE))
        return;
    const SIZE frame = FrameSize(dpi, style, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window_, nullptr, 0, 0, frame.cx, frame.cy, flags);

    // The estimate can miss (a menu bar that wraps, a frame the system draws its own way): measure
    // and correct once so the client area is exactly the table's.
    RECT client{};
    GetClientRect(window_, &client);
    const int missingWidth = TwipsToPixels(table_.clientWidthTwips, dpi) - client.right;
    const int missingHeight = TwipsToPixels(table_.clientHeightTwips, dpi) - client.bottom;
    if (missingWidth != 0 || missingHeight != 0) {
        RECT window{};
        GetWindowRect(window_, &window);
        SetWindowPos(window_, nullptr, 0, 0, window.right - window.left + missingWidth,
                     window.bottom - window.top + missingHeight, flags);
    }
}

void Form::PlaceControls(int dpi) const
{
    for (std::size_t i = 0; i < table_.controlCount; ++i) {
        const ControlRow& row = table_.controls[i];
        HWND control = controls_[i];
        const int left = TwipsToPixels(row.leftTwips, dpi);
        const int top = TwipsToPixels(row.topTwips, dpi);
        const int width = TwipsToPixels(row.widthTwips, dpi);
        const int height = TwipsToPixels(row.heightTwips, dpi);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (row.kind != ControlKind::EditableCombo) {
            SetWindowPos(control, nullptr, left, top, width, height, flags);
            continue;
        }
        // A combo box's height is its closed height plus its drop-down list; the closed height follows
        // from the font, so the edit field is grown or shrunk until the closed box has the table's height.
        const int item = static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, 0, 0));
        const int listHeight = (item > 0 ? item : height) * kVisibleListItems + 2;
        SetWindowPos(control, nullptr, left, top, width, height + listHeight, flags);
        // Common controls 6 size the list by this count instead (30 unless told); XP ignores it.
        SendMessageW(control, CB_SETMINVISIBLE, kVisibleListItems, 0);
        FitClosedHeight(control, height);
    }
}

} // namespace ui
