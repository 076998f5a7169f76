#pragma once

#include "ui/common/handles.h"

#include <windows.h>

#include <string>

// Base of the program's top-level windows. The window procedure finds the C++ object through the
// window (stored at WM_NCCREATE, forgotten at WM_NCDESTROY) and hands each message to HandleMessage.
// No exception ever leaves the window procedure: the system cannot carry one through its own frames.
// Every such window counts as open for the life of the program (see open_windows.h).

namespace ui {

// Registers a window class of the program once; later calls find it registered. False on failure.
bool RegisterClassOnce(const wchar_t* className, WNDPROC procedure, HBRUSH background);

class Window {
public:
    // The window is gone by now: the derived class destroys one still open while what it draws with exists.
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return window_; }

    // Keyboard handling that must run before a message is translated and dispatched (tab movement).
    // True when the message was used up. Called by the message loop for every queued message.
    static bool PreTranslate(MSG& message);

protected:
    Window() = default;

    // Registers the class on first use; every class of ours shares the one window procedure.
    static void RegisterClassOnce(const wchar_t* className, HBRUSH background);

    // Throws Failure when the window cannot be created, saying why (not what: that is for the caller,
    // who knows what the user was waiting for). The menu bar goes with the window on every path. Without
    // `place` the system places it.
    void Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, HWND owner,
                MenuHandle menu, const RECT* place = nullptr);

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called last, once the window is gone: a window object that owns itself may free itself here.
    virtual void OnFinalMessage() {}
    virtual bool HandleKeyboard(MSG&) { return false; }

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static Window* FromHandle(HWND window);
    void RememberCreateFailure(const std::wstring& text) noexcept;

    HWND window_ = nullptr;
    std::wstring createFailure_; // why WM_CREATE failed: Create passes it on
};

} // namespace ui
