#pragma once

#include <string>

// "net send " + name + " " + message, nothing quoted, escaped or trimmed: the net command receives the
// text exactly as the user typed it.
std::wstring ComposeSendCommand(const std::wstring& name, const std::wstring& message);

// Starts the command line as a new process, minimized with the focus, and returns without waiting. Its
// first word names the program, which FindProgram looks for. Throws Failure with the system's reason
// when the process cannot be started.
void RunSendCommand(const std::wstring& commandLine);

// Windows only. The full path of the program file `fileName` (such as "net.exe") in the first folder
// that holds it, of: the running program's own folder, the system folder, the Windows folder, and the
// folders of PATH that are named from the root of a drive or share. Never the current folder, nor a
// folder named relative to it. Empty when none holds it.
std::wstring FindProgram(const std::wstring& fileName);
