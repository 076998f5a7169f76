#pragma once

#include <string>
#include <string_view>

// The recipient file is 8-bit text in the system's ANSI code page (Windows-1251 on the machines we
// target). These calls are the only place where that 8-bit text meets the program's wide text.
// On Windows they use the system's ANSI code page (code_page_win.cpp); the portable build has a
// built-in Windows-1251 table (code_page_1251.cpp).

// Every byte has a meaning in the ANSI code page, so this cannot fail.
std::wstring AnsiToWide(std::string_view bytes);

// The same into `out`, whose content it replaces; reusing one string for many conversions saves an
// allocation per conversion.
void AnsiToWide(std::string_view bytes, std::wstring& out);

// Throws Failure when a character has no exact representation in the code page: a name is never
// saved with a silent substitute such as '?'. The Failure's text says so in a sentence of its own.
std::string WideToAnsi(std::wstring_view text);
