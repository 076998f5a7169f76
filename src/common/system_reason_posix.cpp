#include "common/system_reason.h"

#include <cerrno>
#include <cstring>

unsigned long LastSystemError()
{
    return static_cast<unsigned long>(errno);
}

unsigned long OutOfMemoryError()
{
    return ENOMEM;
}

std::wstring SystemReason(unsigned long code)
{
    // strerror's text is ASCII in the C locale the tests run in.
    const char* text = std::strerror(static_cast<int>(code));
    return std::wstring(text, text + std::strlen(text));
}
