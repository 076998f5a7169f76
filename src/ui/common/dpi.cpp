#include "ui/common/dpi.h"

#include "ui/common/handles.h"
#include "ui/common/late_bound.h"

namespace ui {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

} // namespace

int SystemDpi()
{
    WindowDC screen(nullptr);
    const int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

int DpiOfWindow(HWND window)
{
    static const auto getDpiForWindow = LookUpUser32<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return static_cast<int>(dpi);
    }
    return SystemDpi();
}

bool AdjustFrameForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi)
{
    static const auto adjustForDpi =
        LookUpUser32<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (adjustForDpi)
        return adjustForDpi(&rect, style, hasMenu, exStyle, static_cast<UINT>(dpi)) != FALSE;
    return AdjustWindowRectEx(&rect, style, hasMenu, exStyle) != FALSE;
}

bool StatusFontForDpi(int dpi, LOGFONTW& font)
{
    static const auto forDpi = LookUpUser32<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    // The XP size of the structure, which every later system accepts as well.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi))) {
        font = metrics.lfStatusFont;
        return true;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return false;
    // Given at the system DPI: scaled to the window's.
    font = metrics.lfStatusFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
    return true;
}

} // namespace ui
