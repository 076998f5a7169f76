#pragma once

// The net.exe stand-in's log read back; its format is described at the top of net_double.cpp.

#include <string>
#include <vector>

// One start of the stand-in, as it logged it.
struct NetCall {
    bool showFlagSet = false;  // STARTF_USESHOWWINDOW
    int showMode = -1;         // wShowWindow
    std::wstring commandLine;  // exactly as the stand-in got it
};

// The records of a whole log (UTF-8, each ended by LF); a record not in the stand-in's format throws
// std::runtime_error.
std::vector<NetCall> ParseNetLog(const std::string& log);

// The records in the log file now; none when there is no such file.
std::vector<NetCall> ReadNetLog(const std::wstring& path);

// UTF-8, the log's encoding, as UTF-16.
std::wstring WideFromUtf8(const std::string& text);
