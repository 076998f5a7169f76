#pragma once

#include "common/unique_handle_win.h"

#include <string>

// The system folder as GetSystemDirectoryW names it, without a final backslash: System32, which for a
// 32-bit program on 64-bit Windows the system takes to mean SysWOW64. Empty when the system does not say;
// GetLastError then tells why.
std::wstring SystemFolder();

// A library of the system, such as "oleacc.dll", loaded by its full path in the system folder, so that
// neither the program's folder nor the current folder, where anyone may have put a file of that name,
// is ever searched for it. Empty when it cannot be loaded.
ModuleHandle LoadSystemLibrary(const wchar_t* fileName);
