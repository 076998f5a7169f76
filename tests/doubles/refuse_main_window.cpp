// A hook for the end-to-end driver (WH_CBT, set for every program on the desktop): it refuses to let
// net_send.exe make its main window, as the system does when it runs out of window resources or as
// another program's hook can. Only windows of the class frmMain in a process named net_send.exe are
// refused.

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

}  // namespace

extern "C" LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const LPCWSTR className = reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(className) && lstrcmpiW(className, L"frmMain") == 0 && InTheProgram())
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
