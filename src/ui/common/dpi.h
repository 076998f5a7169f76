#pragma once

#include <windows.h>

// DPI queries that use the per-monitor calls where the system has them (Windows 8.1 and later) and the
// system DPI elsewhere, back to Windows XP. Never a fixed 96.

namespace ui {

// WM_DPICHANGED, absent from the XP-level headers.
inline constexpr UINT kWmDpiChanged = 0x02E0;

// The DPI the window is shown at.
int DpiOfWindow(HWND window);

// The DPI of a window shown on this screen.
int DpiOfMonitor(HMONITOR screen);

// The DPI of the screen as the system reports it to this process.
int SystemDpi();

// The fonts the system gives its own windows (tooltips and status bars, message boxes and dialogs), at
// this DPI. False when the system does not say.
bool SystemFontsForDpi(int dpi, NONCLIENTMETRICSW& metrics);

// The frame size around a client rectangle at this DPI.
bool AdjustFrameForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi);

} // namespace ui
