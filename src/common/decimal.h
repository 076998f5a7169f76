#pragma once

#include <string>

// A number as decimal digits. std::to_wstring would do, but in a mingw build it brings the C runtime's
// whole printf machinery into the exe for the sake of an error code.
inline std::wstring DecimalText(unsigned long value)
{
    wchar_t digits[24];
    wchar_t* end = digits + sizeof digits / sizeof digits[0];
    wchar_t* begin = end;
    do {
        *--begin = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(begin, end);
}
