#include "dispatch/send_command.h"

#include "common/decimal.h"
#include "common/failure.h"
#include "common/system_reason.h"
#include "common/unique_handle_win.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

const wchar_t kWhatFailed[] = L"Не удалось запустить команду net send";

// CreateProcessW takes at most 32767 characters of command line, the terminating zero included. Newer
// systems refuse a longer one with an error, but what older ones (and Wine) do with it is not
// documented, and a message box accepts far more text than that; so the length is checked here, where
// the outcome is the same everywhere.
constexpr std::size_t kMaxCommandLineWithZero = 32767;

// The folder part of a full path, with its final backslash.
std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring OwnFolder()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return FolderOf(path);
}

// What one of the system's folder queries writes, or nothing when it fails.
std::wstring SystemFolder(UINT (WINAPI* query)(wchar_t*, UINT))
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = query(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring PathVariable()
{
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(L"PATH", &value[0], size) < size ? size - 1 : 0);
    return value;
}

// A folder named from the root of a drive ("C:\\...") or of a share ("\\\\server\\..."). Anything else
// (".", "bin", "C:bin", "\\bin") is taken from the current folder or drive.
bool IsAbsolute(const std::wstring& folder)
{
    const auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (folder.size() >= 3 && folder[1] == L':' && isSlash(folder[2]))
        return true;
    return folder.size() >= 2 && isSlash(folder[0]) && isSlash(folder[1]);
}

// The folders the system searches for a program, in its order, without the current folder: it is
// where the names file lives, possibly a share that anyone may write to, and a program put there
// would run as whoever presses the button.
std::vector<std::wstring> ProgramFolders()
{
    std::vector<std::wstring> folders{OwnFolder(), SystemFolder(GetSystemDirectoryW),
                                      SystemFolder(GetWindowsDirectoryW)};
    const std::wstring path = PathVariable();
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(L';', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring entry = path.substr(start, end - start);
        // An entry may be quoted, for a folder with a semicolon in its name.
        if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"')
            entry = entry.substr(1, entry.size() - 2);
        folders.push_back(entry);
        start = end + 1;
    }
    return folders;
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first word of the command line, the program's name, as a file name.
std::wstring ProgramFileName(const std::wstring& commandLine)
{
    std::wstring name = commandLine.substr(0, commandLine.find_first_of(L" \t"));
    if (name.find_first_of(L"\\/:") != std::wstring::npos)
        return std::wstring();  // a path: never searched for, so never found
    if (!name.empty() && name.find(L'.') == std::wstring::npos)
        name += L".exe";
    return name;
}

}  // namespace

std::wstring FindProgram(const std::wstring& fileName)
{
    if (fileName.empty())
        return std::wstring();
    for (std::wstring folder : ProgramFolders()) {
        if (!IsAbsolute(folder))
            continue;
        if (folder.back() != L'\\' && folder.back() != L'/')
            folder += L'\\';
        if (IsFile(folder + fileName))
            return folder + fileName;
    }
    return std::wstring();
}

void RunSendCommand(const std::wstring& commandLine)
{
    if (commandLine.size() + 1 > kMaxCommandLineWithZero) {
        throw Failure(DescribeFailure(
            kWhatFailed, L"Команда длиннее " + DecimalText(kMaxCommandLineWithZero - 1) +
                             L" знаков, такую строку система не принимает. Сократите сообщение."));
    }
    // The system would silently cut the line at a zero character, sending something else than asked.
    if (commandLine.find(L'\0') != std::wstring::npos)
        throw Failure(DescribeFailure(kWhatFailed, L"Команда содержит нулевой знак."));

    // CreateProcessW may write into the command line it is given, so it gets a copy of its own.
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION started = {};

    // The program is named by its full path, so the system does not search for it (its search would
    // look in the current folder). The line itself is passed as it is: the program sees the same
    // arguments. No command interpreter either, so | & > and the like reach net as plain characters.
    const std::wstring program = FindProgram(ProgramFileName(commandLine));
    if (program.empty())
        throw Failure(DescribeFailure(kWhatFailed, SystemReason(ERROR_FILE_NOT_FOUND)));
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        const unsigned long code = GetLastError();
        throw Failure(DescribeFailure(kWhatFailed, SystemReason(code)));
    }
    // The started process is not tracked: its handles are closed at once and it runs on its own.
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
}
