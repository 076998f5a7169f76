#pragma once

#include <windows.h>

namespace ui {

// A function of a system library the process already has loaded, looked up at run time because it is
// newer than XP, or documented as newer, so that the program still starts where it is missing; nullptr
// then.
template <typename Function>
Function LookUp(HMODULE module, const char* name)
{
    // Through void(*)() because a cast between unrelated function types draws a warning.
    return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

template <typename Function>
Function LookUp(const wchar_t* library, const char* name)
{
    return LookUp<Function>(GetModuleHandleW(library), name);
}

template <typename Function>
Function LookUpUser32(const char* name)
{
    return LookUp<Function>(L"user32.dll", name);
}

} // namespace ui
