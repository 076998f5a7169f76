#pragma once

#include <string>

// "net send " + name + " " + message, nothing quoted, escaped or trimmed: the net command receives the
// text exactly as the user typed it.
std::wstring ComposeSendCommand(const std::wstring& name, const std::wstring& message);

// Starts the command line as a new process, minimized with the focus, and returns without waiting.
// Throws Failure with the system's reason when the process cannot be started.
void RunSendCommand(const std::wstring& commandLine);
