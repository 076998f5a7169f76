#pragma once

#include <windows.h>

namespace ui {

// A user32 function that is newer than XP, or documented as newer, looked up at run time so that the
// program still starts where it is missing; nullptr then.
template <typename Function>
Function LookUpUser32(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32)
        return nullptr;
    // Through void(*)() because a cast between unrelated function types draws a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

} // namespace ui
