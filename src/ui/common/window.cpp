#include "ui/common/window.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "ui/common/open_windows.h"

#include <string>

namespace ui {

bool RegisterClassOnce(const wchar_t* className, WNDPROC procedure, HBRUSH background)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, className, &windowClass))
        return true;
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW); // shared: never destroyed
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass) != 0;
}

void Window::RegisterClassOnce(const wchar_t* className, HBRUSH background)
{
    if (!ui::RegisterClassOnce(className, &Window::Procedure, background))
        // The class name in brackets is for whoever helps the user, as a control's name is.
        throw Failure(DescribeFailure(L"Windows не подготовила окно к открытию (" + std::wstring(className) + L")",
                                      LastSystemReason()));
}

void Window::Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle,
                    HWND owner, MenuHandle menu, const RECT* place)
{
    const RECT at = place ? *place : RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    const int width = place ? at.right - at.left : CW_USEDEFAULT;
    const int height = place ? at.bottom - at.top : CW_USEDEFAULT;
    HWND created = CreateWindowExW(exStyle, className, caption, style, at.left, at.top, width, height, owner,
                                   menu.Get(), GetModuleHandleW(nullptr), this);
    if (created) {
        menu.Release(); // the window's now
        return;
    }
    // Only the why: the caller, who knows what the user was waiting for, says what failed. The failure
    // inside WM_CREATE says more than any error code left behind by the system.
    std::wstring why = createFailure_.empty() ? LastSystemReason() : createFailure_;
    if (why.empty())
        why = L"Windows не создала окно и не назвала причину.";
    // A window holds its menu bar from the moment it exists, before any hook or message can refuse it,
    // and a refused window takes its menu bar along: only a window never made leaves it to us.
    if (menu && !IsMenu(menu.Get()))
        menu.Release();
    throw Failure(why);
}

void Window::RememberCreateFailure(const std::wstring& text) noexcept
{
    try {
        createFailure_ = text;
    } catch (...) {
        // Out of memory: the window is still reported as not created, with the system's reason instead,
        // never an older text left from before.
        createFailure_.clear();
    }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window_, message, wParam, lParam);
}

Window* Window::FromHandle(HWND window)
{
    // Only windows of our own classes carry a Window pointer; any other window's user data is not ours.
    if (!window || static_cast<ULONG_PTR>(GetClassLongPtrW(window, GCLP_WNDPROC)) !=
                       reinterpret_cast<ULONG_PTR>(&Procedure))
        return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool Window::PreTranslate(MSG& message)
{
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    Window* window = FromHandle(GetAncestor(message.hwnd, GA_ROOT));
    if (!window)
        return false;
    try {
        return window->HandleKeyboard(message);
    } catch (...) {
        return false;
    }
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = nullptr;
    if (message == WM_NCCREATE) {
        window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        try {
            OpenWindows::Opened(hwnd);
        } catch (...) {
            return FALSE; // the window is not created
        }
        window->window_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    } else {
        window = FromHandle(hwnd);
    }
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool failed = false;
    try {
        result = window->HandleMessage(message, wParam, lParam);
    } catch (const Failure& failure) {
        if (message == WM_CREATE)
            window->RememberCreateFailure(failure.Text());
        failed = true;
    } catch (...) {
        failed = true;
    }
    // A failed WM_CREATE must stop the creation (Create then says why); anything else falls back to the
    // system's default.
    if (failed)
        result = message == WM_CREATE ? -1 : DefWindowProcW(hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window->window_ = nullptr;
        OpenWindows::Closed(hwnd);
        window->OnFinalMessage(); // may free the object: nothing touches it after this
    }
    return result;
}

} // namespace ui
