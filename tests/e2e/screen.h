#pragma once

// Reading back what the user sees: the pixels of a part of the screen, and window rectangles on it.

#include "program.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class Screenshot {
public:
    explicit Screenshot(const RECT& onScreen) : rect_(onScreen)
    {
        const int width = rect_.right - rect_.left;
        const int height = rect_.bottom - rect_.top;
        pixels_.assign(static_cast<size_t>(width) * height, 0);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect_.left, rect_.top, SRCCOPY);
        GdiFlush();
        const auto* bgra = static_cast<const unsigned char*>(bits);
        for (size_t i = 0; bits && i < pixels_.size(); ++i)
            pixels_[i] = RGB(bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }

    COLORREF At(POINT onScreen) const
    {
        return pixels_[static_cast<size_t>(onScreen.y - rect_.top) * (rect_.right - rect_.left) +
                       (onScreen.x - rect_.left)];
    }

    int Count(const RECT& onScreen, COLORREF colour) const
    {
        int count = 0;
        for (LONG y = onScreen.top; y < onScreen.bottom; ++y)
            for (LONG x = onScreen.left; x < onScreen.right; ++x)
                count += At({x, y}) == colour;
        return count;
    }

    const RECT& Area() const { return rect_; }
    bool operator==(const Screenshot& other) const { return pixels_ == other.pixels_; }

private:
    RECT rect_;
    std::vector<COLORREF> pixels_;
};

// The part of the screen once it shows what `ready` looks for, or as it is at the deadline: painting
// happens in the program's own time.
inline Screenshot ShotWhen(const RECT& onScreen, const std::function<bool(const Screenshot&)>& ready,
                           DWORD timeoutMs = 3000)
{
    std::optional<Screenshot> shot;
    WaitUntil([&] { return ready(*(shot = Screenshot(onScreen))); }, timeoutMs);
    return *shot;
}

// The same once it has stopped changing.
inline Screenshot SettledShot(const RECT& onScreen, DWORD timeoutMs = 3000)
{
    std::optional<Screenshot> last;
    return ShotWhen(
        onScreen,
        [&last](const Screenshot& shot) {
            const bool same = last && *last == shot;
            last = shot;
            return same;
        },
        timeoutMs);
}

inline std::string Colour(COLORREF c)
{
    return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
}

inline RECT OnScreen(HWND window, const RECT& inClient)
{
    RECT rect = inClient;
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline RECT ClientOnScreen(HWND window)
{
    RECT rect;
    GetClientRect(window, &rect);
    return OnScreen(window, rect);
}

}  // namespace e2e
