#pragma once

#include <string>

// "net send " + name + " " + message, nothing quoted, escaped or trimmed: the net command receives the
// text exactly as the user typed it.
std::wstring ComposeSendCommand(const std::wstring& name, const std::wstring& message);

// Starts the system's own net.exe (in the system folder, which is also its current folder) with the
// command line as it is, minimized with the focus, and returns without waiting. No other net.exe is ever
// looked for. Throws Failure with the system's reason when the process cannot be started.
void RunSendCommand(const std::wstring& commandLine);
