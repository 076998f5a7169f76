// A stand-in for the system's net.exe. Tests put it in place of the system's own (see SystemNetStandIn
// in net_log.h), and copies of it wherever a net.exe must not be run from, and read back what each
// start handed over and which copy it was. It shows no window and sends nothing.
//
// Every run appends exactly one record, as one line, to its log:
//
//   show=<F>,<M><TAB>exe=<E><TAB>dir=<D><TAB>cmd=<C><LF>
//
//   F  1 when the starter set STARTF_USESHOWWINDOW in its STARTUPINFO, else 0
//   M  wShowWindow from that STARTUPINFO, in decimal (2 is minimized with the focus)
//   E  this copy's full path, as GetModuleFileNameW gives it
//   D  the current folder it was started in, as GetCurrentDirectoryW gives it
//   C  the command line exactly as GetCommandLineW returned it, program name included
//   E, D and C are written with \ as \\, CR as \r, LF as \n, TAB as \t, and every other character
//   below U+0020 and U+007F as \xHH (two upper-case hex digits); everything else as it is
//
// The log is UTF-8 without a byte order mark; lines end in LF alone. It is the file named by the
// environment variable NET_DOUBLE_LOG when that is set and not empty, else net_calls.log in the folder
// of this net.exe. A missing log is created. Each record is written with a single write to a file
// opened for appending only, so records of runs that overlap never mix.
//
// When the environment variable NET_DOUBLE_HOLD names an event, the stand-in, once its record is written,
// stays running until that event is set (a minute at most), as a real net does that waits for an
// unreachable computer.
//
// Exit code: 0 when the record was written, 1 when it was not.

#include "common/unique_handle_win.h"

#include <windows.h>

#include <string>

namespace {

std::wstring Escape(const wchar_t* text)
{
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring escaped;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        const wchar_t c = *p;
        if (c == L'\\')
            escaped += L"\\\\";
        else if (c == L'\r')
            escaped += L"\\r";
        else if (c == L'\n')
            escaped += L"\\n";
        else if (c == L'\t')
            escaped += L"\\t";
        else if (c < 0x20 || c == 0x7F) {
            escaped += L"\\x";
            escaped += hex[(c >> 4) & 0xF];
            escaped += hex[c & 0xF];
        } else
            escaped += c;
    }
    return escaped;
}

std::wstring OwnPath()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}

std::wstring CurrentFolder()
{
    std::wstring folder(32768, L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), &folder[0]);
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

std::wstring LogPath()
{
    std::wstring fromEnvironment(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"NET_DOUBLE_LOG", &fromEnvironment[0],
                                                 static_cast<DWORD>(fromEnvironment.size()));
    if (length > 0 && length < fromEnvironment.size()) {
        fromEnvironment.resize(length);
        return fromEnvironment;
    }

    std::wstring path = OwnPath();
    if (path.empty())
        return std::wstring();
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"net_calls.log";
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string utf8(static_cast<std::string::size_type>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr,
                        nullptr);
    return utf8;
}

bool AppendRecord(const std::wstring& path, const std::string& record)
{
    // A reader that holds the log without sharing it is waited for a little, not raced.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const KernelHandle file = OwnFile(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_WRITE_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() != ERROR_SHARING_VIOLATION)
                return false;
            Sleep(20);
            continue;
        }
        // Many stand-ins start at once in the crowd cases: one at a time writes at the end, whether or not
        // the file system makes appends one step.
        OVERLAPPED whole{};
        if (!LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
            return false;
        DWORD written = 0;
        const bool wrote = SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                           WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()), &written,
                                     nullptr) &&
                           written == record.size();
        UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
        return wrote;
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);

    const std::wstring record = L"show=" + std::to_wstring((startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0) +
                                L"," + std::to_wstring(startup.wShowWindow) + L"\texe=" + Escape(OwnPath().c_str()) +
                                L"\tdir=" + Escape(CurrentFolder().c_str()) + L"\tcmd=" + Escape(GetCommandLineW()) +
                                L"\n";
    const std::wstring path = LogPath();
    if (path.empty())
        return 1;
    if (!AppendRecord(path, ToUtf8(record)))
        return 1;
    wchar_t hold[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"NET_DOUBLE_HOLD", hold, 256);
    const KernelHandle release(length > 0 && length < 256 ? OpenEventW(SYNCHRONIZE, FALSE, hold) : nullptr);
    if (release)
        WaitForSingleObject(release.Get(), 60000);
    return 0;
}
