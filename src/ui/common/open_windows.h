#pragma once

#include <windows.h>

// The program's open top-level windows. The program has no shutdown code of its own: when the count
// falls to zero the message loop is told to end, whichever window happened to be the last.

namespace ui {

class OpenWindows {
public:
    static void Opened(HWND window);
    static void Closed(HWND window); // posts WM_QUIT when it was the last one

    // Asks every open window to close, as the user would with its close button.
    static void CloseAll();
};

// An invisible top-level window that owns the program's secondary windows. An owned window stays out
// of the taskbar, and owning it by this window instead of the main window means closing the main
// window does not take the others with it. A message-only window cannot own, so this one is a plain
// WS_POPUP window that is never shown. It does not count as open: it never keeps the program alive.
class HiddenOwner {
public:
    HiddenOwner();
    ~HiddenOwner();
    HiddenOwner(const HiddenOwner&) = delete;
    HiddenOwner& operator=(const HiddenOwner&) = delete;

    // The owner of the running program; nullptr when there is none (the owned window then simply
    // shows in the taskbar).
    static HWND Current() noexcept;
};

} // namespace ui
