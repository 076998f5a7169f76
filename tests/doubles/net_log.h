#pragma once

// The net.exe stand-in in place of the system's own, and its log read back; the log's format is
// described at the top of net_double.cpp.

#include <string>
#include <vector>

// One start of the stand-in, as it logged it.
struct NetCall {
    bool showFlagSet = false;  // STARTF_USESHOWWINDOW
    int showMode = -1;         // wShowWindow
    std::wstring program;      // the copy that ran, by its full path
    std::wstring folder;       // the current folder it ran in
    std::wstring commandLine;  // exactly as the stand-in got it
};

// The records of a whole log (UTF-8, each ended by LF); a record not in the stand-in's format throws
// std::runtime_error.
std::vector<NetCall> ParseNetLog(const std::string& log);

// The records in the log file now; none when there is no such file.
std::vector<NetCall> ReadNetLog(const std::wstring& path);

// UTF-8, the log's encoding, as UTF-16.
std::wstring WideFromUtf8(const std::string& text);

// The system folder and its net.exe as this process names them (GetSystemDirectoryW): the file that a
// program of the same bitness starts by that path.
std::wstring SystemFolderPath();
std::wstring SystemNetPath();
// Whether a path the stand-in logged is the system folder, or its net.exe. A 32-bit process on 64-bit
// Windows may see SysWOW64 named as itself or as System32; either counts, in any letter case.
bool IsSystemFolder(const std::wstring& folder);
bool IsSystemNet(const std::wstring& program);

// The stand-in in place of the system's net.exe while this object lives; the system's own file waits
// beside it, as net.exe.saved, and is put back at the end. A run cut short leaves the stand-in and the
// saved file, which the next run keeps. Under Wine the prefix is the tests' own, and Wine runs the file
// only when WINEDLLOVERRIDES prefers a native net.exe (scripts/wine-env.sh says so); on Windows itself
// the system folder takes an administrator. Throws std::runtime_error when it cannot be put there.
class SystemNetStandIn {
public:
    explicit SystemNetStandIn(const std::wstring& standIn);
    SystemNetStandIn(const SystemNetStandIn&) = delete;
    SystemNetStandIn& operator=(const SystemNetStandIn&) = delete;
    ~SystemNetStandIn();

private:
    std::wstring path_;
    std::wstring saved_;
};

// No net.exe in the system folder for a while: the stand-in is moved aside and back. Throws
// std::runtime_error when it cannot be.
class SystemNetTakenAway {
public:
    SystemNetTakenAway();
    SystemNetTakenAway(const SystemNetTakenAway&) = delete;
    SystemNetTakenAway& operator=(const SystemNetTakenAway&) = delete;
    ~SystemNetTakenAway();

private:
    std::wstring path_;
    std::wstring away_;
};
