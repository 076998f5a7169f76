#pragma once

#include <string>

// The platform's error code of the last failed call (GetLastError on Windows, errno elsewhere).
unsigned long LastSystemError();

// The platform's error code for memory that ran out (ERROR_NOT_ENOUGH_MEMORY, ENOMEM), for the system's
// own words when std::bad_alloc is what failed.
unsigned long OutOfMemoryError();

// The system's own text for an error code, without a trailing line end.
std::wstring SystemReason(unsigned long code);

// The system's reason for the last failed call, or nothing when the call left no error code (a window
// refused by a hook, say).
inline std::wstring LastSystemReason()
{
    const unsigned long code = LastSystemError();
    return code == 0 ? std::wstring() : SystemReason(code);
}
