#include "ui/common/dpi.h"

#include "common/system_folder_win.h"
#include "ui/common/handles.h"
#include "ui/common/late_bound.h"

namespace ui {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
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
    return DpiOfMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

// Windows 8.1 to 10 1607 tell a screen's DPI but not a window's; the library that does is loaded for good
// the first time it is asked.
int DpiOfMonitor(HMONITOR screen)
{
    static const ModuleHandle shcore = LoadSystemLibrary(L"shcore.dll");
    static const auto getDpiForMonitor = LookUp<GetDpiForMonitorFunction>(shcore.Get(), "GetDpiForMonitor");
    constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (getDpiForMonitor && SUCCEEDED(getDpiForMonitor(screen, kEffectiveDpi, &dpiX, &dpiY)) && dpiY > 0)
        return static_cast<int>(dpiY);
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

bool SystemFontsForDpi(int dpi, NONCLIENTMETRICSW& metrics)
{
    static const auto forDpi = LookUpUser32<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof metrics; // the XP size of the record, which every later system accepts as well
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi)))
        return true;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return false;
    // Given at the system DPI: scaled to the window's.
    for (LOGFONTW* font : {&metrics.lfStatusFont, &metrics.lfMessageFont})
        font->lfHeight = MulDiv(font->lfHeight, dpi, SystemDpi());
    return true;
}

} // namespace ui
