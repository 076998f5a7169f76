#include "ui/common/open_windows.h"

#include "ui/common/handles.h"
#include "ui/common/window.h"

#include <algorithm>
#include <vector>

namespace ui {
namespace {

// One thread touches these: the user-interface thread.
std::vector<HWND>& OpenList()
{
    static std::vector<HWND> windows;
    return windows;
}

WindowHandle& OwnerWindow()
{
    static WindowHandle owner;
    return owner;
}

const wchar_t kOwnerClass[] = L"NetSendHiddenOwner";

} // namespace

void OpenWindows::Opened(HWND window)
{
    OpenList().push_back(window);
}

void OpenWindows::Closed(HWND window)
{
    auto& windows = OpenList();
    const auto found = std::find(windows.begin(), windows.end(), window);
    if (found == windows.end())
        return;
    windows.erase(found);
    if (windows.empty())
        PostQuitMessage(0);
}

void OpenWindows::CloseAll()
{
    // Closing one window may close or open others, so work from a copy and skip the ones already gone.
    const std::vector<HWND> windows = OpenList();
    for (HWND window : windows)
        if (IsWindow(window))
            SendMessageW(window, WM_CLOSE, 0, 0);
}

HiddenOwner::HiddenOwner()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Without its class there is simply no owner (see Current).
    if (!RegisterClassOnce(kOwnerClass, DefWindowProcW, nullptr))
        return;
    OwnerWindow().Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr));
}

HiddenOwner::~HiddenOwner()
{
    OwnerWindow().Reset();
}

HWND HiddenOwner::Current() noexcept
{
    return OwnerWindow().Get();
}

} // namespace ui
