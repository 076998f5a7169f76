// Process entry: the main window on the one user-interface thread, and the message loop that runs
// until the program's last window has closed.

#include "common/failure.h"
#include "ui/common/open_windows.h"
#include "ui/common/window.h"
#include "ui/main/frm_main.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

const wchar_t kNotOpened[] = L"Не удалось открыть окно программы.";

void RegisterControlClasses()
{
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_WIN95_CLASSES;
#ifdef ICC_STANDARD_CLASSES
    classes.dwICC |= ICC_STANDARD_CLASSES;
#endif
    InitCommonControlsEx(&classes);
}

// Ends with WM_QUIT, which the last of the program's windows posts as it closes.
int RunMessageLoop()
{
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return 1;
        // Tab moves by the windows' own tab order, which the system's dialog navigation would not follow.
        if (ui::Window::PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ReportStartFailure(const std::wstring& text)
{
    // A window that failed half-way has already closed, and as the last one it asked the loop to end;
    // that request would close the message box at once, before the user could read it.
    MSG quit{};
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    MessageBoxW(nullptr, text.c_str(), ui::ProgramTitle(), MB_OK | MB_ICONERROR);
}

} // namespace

// DPI awareness comes from the manifest alone: it must be in force before the first window exists,
// which only the manifest guarantees. SetProcessDPIAware is not called: on the systems that have it the
// manifest already says the same, and on XP the system DPI is all there is.
// The parameter keeps the name windows.h gives it, so that declaration and definition read alike.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nShowCmd)
{
    RegisterControlClasses();
    try {
        ui::HiddenOwner owner;
        ui::FrmMain frmMain;
        frmMain.Open(nShowCmd);
        return RunMessageLoop();
    } catch (const Failure& failure) {
        // What the user sees first is what the user misses; how it came about follows.
        ReportStartFailure(kNotOpened + std::wstring(L"\n\n") + failure.Text());
    } catch (...) {
        ReportStartFailure(kNotOpened);
    }
    return 1;
}
