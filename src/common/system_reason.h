#pragma once

#include <string>

// The platform's error code of the last failed call (GetLastError on Windows, errno elsewhere).
unsigned long LastSystemError();

// The system's own text for an error code, without a trailing line end.
std::wstring SystemReason(unsigned long code);
