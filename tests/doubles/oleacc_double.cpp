// A library planted as oleacc.dll beside the program, where anyone who can write to that folder could
// put one: loading it, for whatever reason, writes the file oleacc_double_loaded beside it. It exports
// nothing, so a program that took it for the real one would find none of its functions.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    wchar_t* slash = path + length;
    while (slash > path && slash[-1] != L'\\')
        --slash;
    lstrcpyW(slash, L"oleacc_double_loaded");
    const HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE)
        CloseHandle(mark);
    return TRUE;
}
