#pragma once

#include <windows.h>

#include <string>

namespace ui {

// The whole current text of a window or control (of a combo box: its edit field). Throws Failure when
// the control cannot be read.
std::wstring ReadText(HWND control);

} // namespace ui
