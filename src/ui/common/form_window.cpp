#include "ui/common/form_window.h"

#include "ui/common/dpi.h"

#include <algorithm>

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

void FormWindow::PlaceCentred(HWND over) const
{
    // Moved onto a monitor of another DPI, the window is laid out again and resized about its top left
    // corner, off the centre: placed once more at its new size, on the same monitor, it stays there.
    const SIZE before = PlaceCentredOnce(over);
    RECT now{};
    GetWindowRect(Handle(), &now);
    if (now.right - now.left != before.cx || now.bottom - now.top != before.cy)
        PlaceCentredOnce(over);
}

SIZE FormWindow::PlaceCentredOnce(HWND over) const
{
    RECT window{};
    GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR screen = MonitorFromWindow(over ? over : Handle(), MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(screen, &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT& work = monitor.rcWork;

    RECT centre = work;
    if (over && IsWindowVisible(over) && !IsIconic(over))
        GetWindowRect(over, &centre);
    int left = centre.left + (centre.right - centre.left - width) / 2;
    int top = centre.top + (centre.bottom - centre.top - height) / 2;
    // Keep the whole window, or at least its top left corner, on the work area.
    left = std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right) - width));
    top = std::max(static_cast<int>(work.top), std::min(top, static_cast<int>(work.bottom) - height));
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return SIZE{width, height};
}

} // namespace ui
