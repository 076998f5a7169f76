#include "ui/common/form.h"
#include "ui/common/twips.h"

#include <algorithm>

namespace ui {
namespace {

// Gap between a picture button's edge and its focus mark, at 96 dpi.
constexpr int kFocusInsetAt96 = 4;

// A line one pixel wide at 96 dpi, in whole pixels at this DPI: the nearest number, and halfway (150 %)
// the thinner one.
int LineWidth(int dpi)
{
    return std::max(1, (dpi + kDefaultDpi / 2 - 1) / kDefaultDpi);
}

// A focus mark `width` pixels wide: the highlight colour while High Contrast is on, else the system's
// dotted mark, which inverts and so shows on any ground. DrawFocusRect draws one border of the system's
// focus border width; it is drawn again inside the last, never over it, until the mark is wide enough.
void DrawFocusMark(HDC dc, RECT rect, int width, bool highContrast)
{
    UINT across = 1;
    UINT down = 1;
    if (!highContrast) {
        SystemParametersInfoW(SPI_GETFOCUSBORDERWIDTH, 0, &across, 0);
        SystemParametersInfoW(SPI_GETFOCUSBORDERHEIGHT, 0, &down, 0);
    }
    const int step = static_cast<int>(std::max({across, down, 1u}));
    for (int drawn = 0; drawn < width; drawn += step, InflateRect(&rect, -step, -step)) {
        if (highContrast)
            FrameRect(dc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
        else
            DrawFocusRect(dc, &rect);
    }
}

// Image only, centred on the ground; a raised edge that sinks, with the picture, while the button is
// held down. The icons carry their own transparency masks. Edges and focus mark grow with the DPI.
void DrawPictureButton(const DRAWITEMSTRUCT& item, HBRUSH ground, HICON picture, HICON pressedPicture,
                       int iconSize, int dpi, bool highContrast)
{
    const RECT& rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const int width = LineWidth(dpi);
    FillRect(item.hDC, &rect, ground);
    RECT edge = rect;
    for (UINT part : {pressed ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER})
        for (int line = 0; line < width; ++line)
            DrawEdge(item.hDC, &edge, part, BF_RECT | BF_ADJUST);

    HICON icon = pressed && pressedPicture ? pressedPicture : picture;
    if (icon) {
        const int shift = pressed ? width : 0;
        const int x = rect.left + (rect.right - rect.left - iconSize) / 2 + shift;
        const int y = rect.top + (rect.bottom - rect.top - iconSize) / 2 + shift;
        DrawIconEx(item.hDC, x, y, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    }

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        const int inset = ScaleFrom96(kFocusInsetAt96, dpi);
        RECT mark = rect;
        InflateRect(&mark, -inset, -inset);
        DrawFocusMark(item.hDC, mark, width, highContrast);
    }
}

void DrawStretchedImage(const DRAWITEMSTRUCT& item, HICON picture)
{
    const RECT& rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    if (picture)
        DrawIconEx(item.hDC, rect.left, rect.top, picture, rect.right - rect.left, rect.bottom - rect.top, 0,
                   nullptr, DI_NORMAL);
}

} // namespace

// While High Contrast is on, the system's window colours stand for the table's own.
HBRUSH Form::ControlColours(HDC dc, HWND control) const
{
    const int index = IndexOf(control);
    if (index < 0 || !table_.controls[index].colours.custom)
        return nullptr;
    const ColourScheme& colours = table_.controls[index].colours;
    SetTextColor(dc, highContrast_ ? GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(colours.textRgb));
    SetBkColor(dc, highContrast_ ? GetSysColor(COLOR_WINDOW) : static_cast<COLORREF>(colours.groundRgb));
    return highContrast_ ? GetSysColorBrush(COLOR_WINDOW) : Brush(colours.groundRgb);
}

bool Form::EraseGround(HWND window, HDC dc) const
{
    if (!table_.colours.custom)
        return false;
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, highContrast_ ? GetSysColorBrush(COLOR_WINDOW) : Brush(table_.colours.groundRgb));
    return true;
}

bool Form::DrawItem(const DRAWITEMSTRUCT& item) const
{
    const int index = IndexOf(item.hwndItem);
    if (index < 0)
        return false;
    const ControlRow& row = table_.controls[index];
    switch (row.kind) {
    case ControlKind::PictureButton: {
        const bool own = row.colours.custom && !highContrast_;
        HBRUSH ground = own ? Brush(row.colours.groundRgb) : GetSysColorBrush(COLOR_BTNFACE);
        DrawPictureButton(item, ground, pictures_[index].Get(), pressedPictures_[index].Get(), pictureSizes_[index],
                          dpi_, highContrast_);
        return true;
    }
    case ControlKind::Image:
        DrawStretchedImage(item, pictures_[index].Get());
        return true;
    default:
        return false;
    }
}

} // namespace ui
