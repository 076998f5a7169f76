#include "ui/common/form_window.h"

#include "ui/common/dpi.h"

#include <algorithm>
#include <cwchar>

namespace ui {

FormWindow::~FormWindow()
{
    if (Handle())
        DestroyWindow(Handle());
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case kWmDpiChanged:
        return OnDpiChanged(wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnControlColours(message, wParam, lParam);
    case WM_ERASEBKGND:
        return OnEraseBackground(wParam, lParam);
    case WM_DRAWITEM:
        return OnDrawItem(wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        return OnSystemChange(message, wParam, lParam);
    case WM_ACTIVATE:
        return OnActivate(wParam, lParam);
    case WM_SETFOCUS:
        return OnSetFocus();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return Default(message, wParam, lParam);
    }
}

bool FormWindow::HandleKeyboard(MSG& message)
{
    return form_.HandleKeyboard(message);
}

LRESULT FormWindow::OnCreate()
{
    form_.Create(Handle());
    form_.Layout(DpiOfWindow(Handle()));
    return 0;
}

LRESULT FormWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    // The system suggests a rectangle for the new DPI; take it, then lay out to the exact client size.
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested)
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    form_.Layout(LOWORD(wParam));
    return 0;
}

LRESULT FormWindow::OnControlColours(UINT message, WPARAM wParam, LPARAM lParam)
{
    HBRUSH brush = form_.ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    return brush ? reinterpret_cast<LRESULT>(brush) : Default(message, wParam, lParam);
}

LRESULT FormWindow::OnEraseBackground(WPARAM wParam, LPARAM lParam)
{
    return form_.EraseGround(Handle(), reinterpret_cast<HDC>(wParam)) ? TRUE
                                                                       : Default(WM_ERASEBKGND, wParam, lParam);
}

LRESULT FormWindow::OnDrawItem(WPARAM wParam, LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return item && form_.DrawItem(*item) ? TRUE : Default(WM_DRAWITEM, wParam, lParam);
}

// High Contrast going on or off comes as a change of the system's colours or of that setting; other
// fonts or another text size as a change of the window metrics.
LRESULT FormWindow::OnSystemChange(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* section = reinterpret_cast<const wchar_t*>(lParam);
    if (message == WM_SYSCOLORCHANGE || wParam == SPI_SETHIGHCONTRAST || wParam == SPI_SETNONCLIENTMETRICS ||
        (wParam == 0 && section && std::wcscmp(section, L"WindowMetrics") == 0))
        form_.Layout(DpiOfWindow(Handle()));
    return Default(message, wParam, lParam);
}

LRESULT FormWindow::OnActivate(WPARAM wParam, LPARAM lParam)
{
    // Remember where the focus was, so that coming back to the window puts it there again.
    if (LOWORD(wParam) == WA_INACTIVE)
        form_.SaveFocus();
    return Default(WM_ACTIVATE, wParam, lParam);
}

LRESULT FormWindow::OnSetFocus()
{
    form_.RestoreFocus();
    return 0;
}

RECT FormWindow::CentredPlace(HWND over, DWORD style, DWORD exStyle) const
{
    HMONITOR screen = MonitorFromWindow(over, MONITOR_DEFAULTTOPRIMARY); // no window: the primary screen
    const SIZE size = form_.FrameSize(DpiOfMonitor(screen), style, exStyle);
    return CentredOn(screen, over, size);
}

void FormWindow::PlaceCentred() const
{
    RECT now{};
    GetWindowRect(Handle(), &now);
    const SIZE size{now.right - now.left, now.bottom - now.top};
    const RECT place = CentredOn(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), nullptr, size);
    SetWindowPos(Handle(), nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT FormWindow::CentredOn(HMONITOR screen, HWND over, SIZE size)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(screen, &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT& work = monitor.rcWork;

    RECT centre = work;
    if (over && IsWindowVisible(over) && !IsIconic(over))
        GetWindowRect(over, &centre);
    int left = centre.left + (centre.right - centre.left - size.cx) / 2;
    int top = centre.top + (centre.bottom - centre.top - size.cy) / 2;
    // Keep the whole window, or at least its top left corner, on the work area.
    left = std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right - size.cx)));
    top = std::max(static_cast<int>(work.top), std::min(top, static_cast<int>(work.bottom - size.cy)));
    return RECT{left, top, left + size.cx, top + size.cy};
}

} // namespace ui
