// Hooks for the end-to-end driver (WH_CBT, set for every program on the desktop): they refuse to let
// net_send.exe make its main window, the drop-down list inside it, or its About window, as the system
// does when it runs out of window resources or as another program's hook can. Only windows of that
// class in a process named net_send.exe are refused.

#include <windows.h>

namespace {

bool InTheProgram()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    static const wchar_t kName[] = L"\\net_send.exe";
    const DWORD nameLength = static_cast<DWORD>(sizeof kName / sizeof kName[0] - 1);
    return length > nameLength && length < MAX_PATH && lstrcmpiW(path + length - nameLength, kName) == 0;
}

LRESULT Refuse(const wchar_t* refusedClass, int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        // Asked of the window rather than read from the creation data, which may hold a class atom.
        wchar_t className[32] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 32);
        if (lstrcmpiW(className, refusedClass) == 0 && InTheProgram())
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

extern "C" LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    return Refuse(L"frmMain", code, wParam, lParam);
}

extern "C" LRESULT CALLBACK RefuseList(int code, WPARAM wParam, LPARAM lParam)
{
    return Refuse(L"ComboBox", code, wParam, lParam);
}

extern "C" LRESULT CALLBACK RefuseAbout(int code, WPARAM wParam, LPARAM lParam)
{
    return Refuse(L"frm_Help", code, wParam, lParam);
}
