#include "ui/common/form.h"
#include "ui/common/twips.h"

namespace ui {
namespace {

// Gap between a picture button's edge and its focus mark, at 96 dpi.
constexpr int kFocusInsetAt96 = 4;

// Image only, centred on the ground; a raised edge that sinks, with the picture, while the button is
// held down. The icons carry their own transparency masks.
void DrawPictureButton(const DRAWITEMSTRUCT& item, HBRUSH ground, HICON picture, HICON pressedPicture,
                       int iconSize, int dpi)
{
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &rect, ground);
    DrawEdge(item.hDC, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    HICON icon = pressed && pressedPicture ? pressedPicture : picture;
    if (icon) {
        const int shift = pressed ? 1 : 0;
        const int x = rect.left + (rect.right - rect.left - iconSize) / 2 + shift;
        const int y = rect.top + (rect.bottom - rect.top - iconSize) / 2 + shift;
        DrawIconEx(item.hDC, x, y, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    }

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        const int inset = ScaleFrom96(kFocusInsetAt96, dpi);
        InflateRect(&rect, -inset, -inset);
        // DrawFocusRect inverts, so the mark shows on any ground.
        DrawFocusRect(item.hDC, &rect);
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

HBRUSH Form::ControlColours(HDC dc, HWND control) const
{
    const int index = IndexOf(control);
    if (index < 0 || !table_.controls[index].colours.custom)
        return nullptr;
    const ColourScheme& colours = table_.controls[index].colours;
    SetTextColor(dc, static_cast<COLORREF>(colours.textRgb));
    SetBkColor(dc, static_cast<COLORREF>(colours.groundRgb));
    return Brush(colours.groundRgb);
}

bool Form::EraseGround(HWND window, HDC dc) const
{
    if (!table_.colours.custom)
        return false;
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, Brush(table_.colours.groundRgb));
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
        HBRUSH ground = row.colours.custom ? Brush(row.colours.groundRgb) : GetSysColorBrush(COLOR_BTNFACE);
        DrawPictureButton(item, ground, pictures_[index].Get(), pressedPictures_[index].Get(), pictureSizes_[index],
                          dpi_);
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
