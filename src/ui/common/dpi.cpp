#include "ui/common/dpi.h"

#include "ui/common/handles.h"

namespace ui {
namespace {

// Calls newer than XP are looked up at run time so the program still starts where they are missing.
template <typename Function>
Function LookUpUser32(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32)
        return nullptr;
    // Through void(*)() because a cast between unrelated function types draws a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

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

} // namespace ui
