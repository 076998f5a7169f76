#pragma once

#include "common/unique_handle_win.h"

#include <windows.h>

// Move-only owners for the handles the program creates. Only handles we created go in here: stock
// objects, system colour brushes and LR_SHARED images belong to the system and are used as plain handles.

namespace ui {

template <typename H>
struct GdiObjectTraits {
    using Handle = H;
    static void Close(H object) noexcept { DeleteObject(object); }
};
struct IconTraits {
    using Handle = HICON;
    static void Close(HICON icon) noexcept { DestroyIcon(icon); }
};
struct MenuTraits {
    using Handle = HMENU;
    static void Close(HMENU menu) noexcept { DestroyMenu(menu); }
};
struct WindowTraits {
    using Handle = HWND;
    static void Close(HWND window) noexcept { DestroyWindow(window); }
};

using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using IconHandle = UniqueHandle<IconTraits>;
// A menu that no window holds yet; once a window takes it, the window destroys it.
using MenuHandle = UniqueHandle<MenuTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;

// A device context from GetDC, given back on every path.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for one scope; the previous one is selected back on every path.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace ui
