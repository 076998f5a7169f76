// The C++ runtime's thread support in GCC 13 and later (which its exception memory pool pulls in)
// imports GetThreadId, which Windows XP does not have: the loader would refuse to start the program
// there. The build points that import at the slot below instead (a linker symbol definition), so the
// system's function is looked up when it is called, and the one thread it can be asked about on XP, the
// calling one, is answered without it.

#include "ui/common/late_bound.h"

#include <windows.h>

namespace {

DWORD WINAPI ThreadIdOf(HANDLE thread)
{
    using SystemFunction = DWORD(WINAPI*)(HANDLE);
    const auto system = ui::LookUp<SystemFunction>(L"kernel32.dll", "GetThreadId");
    if (system)
        return system(thread);
    return thread == GetCurrentThread() ? GetCurrentThreadId() : 0;
}

} // namespace

extern "C" DWORD(WINAPI* netsend_GetThreadId)(HANDLE);
DWORD(WINAPI* netsend_GetThreadId)(HANDLE) = ThreadIdOf;
