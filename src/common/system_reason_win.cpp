#include "common/system_reason.h"

#include "common/decimal.h"

#include <windows.h>

unsigned long LastSystemError()
{
    return GetLastError();
}

unsigned long OutOfMemoryError()
{
    return ERROR_NOT_ENOUGH_MEMORY;
}

std::wstring SystemReason(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return L"Системная ошибка " + DecimalText(code) + L".";
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}
