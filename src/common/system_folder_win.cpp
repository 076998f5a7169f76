#include "common/system_folder_win.h"

#include <windows.h>

std::wstring SystemFolder()
{
    // The first call tells the size needed, terminating zero included; the second fills it.
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring folder(size, L'\0');
    const UINT length = GetSystemDirectoryW(&folder[0], size);
    if (length == 0 || length >= size)
        return std::wstring();
    folder.resize(length);
    if (folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

ModuleHandle LoadSystemLibrary(const wchar_t* fileName)
{
    const std::wstring folder = SystemFolder();
    if (folder.empty())
        return ModuleHandle();
    return ModuleHandle(LoadLibraryW((folder + L"\\" + fileName).c_str()));
}
