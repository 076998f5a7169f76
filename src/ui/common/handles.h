#pragma once

#include <windows.h>

#include <utility>

// Move-only owners for the handles the program creates. Only handles we created go in here: stock
// objects, system colour brushes and LR_SHARED images belong to the system and are used as plain handles.

namespace ui {

// Traits name the handle type and how to close it. (Imported system functions cannot be template
// arguments themselves: their addresses are not constants.)
template <typename Traits>
class UniqueHandle {
    using Handle = typename Traits::Handle;

public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    Handle Release() noexcept { return std::exchange(handle_, nullptr); }

    void Reset(Handle handle = nullptr) noexcept
    {
        Handle old = std::exchange(handle_, handle);
        if (old)
            Traits::Close(old);
    }

private:
    Handle handle_ = nullptr;
};

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
