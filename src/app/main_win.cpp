// Process entry: the main window on the one user-interface thread, and the message loop that runs
// until the program's last window has closed.

#include "common/failure.h"
#include "ui/common/late_bound.h"
#include "ui/common/open_windows.h"
#include "ui/common/window.h"
#include "ui/main/frm_main.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

const wchar_t kNotOpened[] = L"Не удалось открыть окно программы.";

// Libraries that the system loads by name on the program's behalf, later on (a theme library, an input
// method), come from the system folder only: never from the program's folder or the current folder,
// which may be a downloads folder or a share that others write to. SetDefaultDllDirectories (Windows 8;
// Vista and 7 with an update) takes both out of the search; where it is missing, SetDllDirectoryW with an
// empty folder (XP SP1 on) takes out the current folder.
void LimitLibrarySearch()
{
    using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    using SetDllDirectory = BOOL(WINAPI*)(const wchar_t*);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    const auto setDefault = ui::LookUp<SetDefaultDllDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32))
        return;
    if (const auto setDirectory = ui::LookUp<SetDllDirectory>(L"kernel32.dll", "SetDllDirectoryW"))
        setDirectory(L"");
}

// XP ignores the DEP flag of the image, so the 32-bit program turns DEP on for itself (XP SP3 has the
// call). Later systems go by the flag, and there, as where the call is missing, a refusal changes
// nothing: the program goes on either way. A 64-bit program always runs with DEP.
void TurnOnDep()
{
#ifndef _WIN64
    using SetProcessDEPPolicy = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kDepEnable = 0x00000001;  // PROCESS_DEP_ENABLE
    if (const auto setPolicy = ui::LookUp<SetProcessDEPPolicy>(L"kernel32.dll", "SetProcessDEPPolicy"))
        setPolicy(kDepEnable);
#endif
}

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
    // Before anything else is loaded or made.
    LimitLibrarySearch();
    TurnOnDep();
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
