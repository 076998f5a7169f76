#include "net_log.h"

#include "common/unique_handle_win.h"

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

std::wstring WideFromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

namespace {

std::wstring Unescape(const std::wstring& text)
{
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const wchar_t code = text[++i];
        if (code == L'r')
            plain += L'\r';
        else if (code == L'n')
            plain += L'\n';
        else if (code == L't')
            plain += L'\t';
        else if (code == L'x' && i + 2 < text.size()) {
            plain += static_cast<wchar_t>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            plain += code;
    }
    return plain;
}

// show=<flag>,<mode><TAB>exe=<escaped path><TAB>dir=<escaped folder><TAB>cmd=<escaped command line>; the
// escaped fields hold no TAB of their own.
NetCall ParseRecord(const std::string& record)
{
    const std::wstring line = WideFromUtf8(record);
    std::vector<std::wstring> fields;
    for (size_t begin = 0;;) {
        const size_t tab = line.find(L'\t', begin);
        fields.push_back(line.substr(begin, tab == std::wstring::npos ? std::wstring::npos : tab - begin));
        if (tab == std::wstring::npos)
            break;
        begin = tab + 1;
    }
    const wchar_t* const names[] = {L"show=", L"exe=", L"dir=", L"cmd="};
    bool wellFormed = fields.size() == 4;
    for (size_t i = 0; wellFormed && i < fields.size(); ++i)
        wellFormed = fields[i].rfind(names[i], 0) == 0;
    const size_t comma = wellFormed ? fields[0].find(L',') : std::wstring::npos;
    if (comma == std::wstring::npos)
        throw std::runtime_error("a record not in the net.exe stand-in's format: " + record);
    NetCall call;
    call.showFlagSet = fields[0].substr(5, comma - 5) == L"1";
    call.showMode = std::stoi(fields[0].substr(comma + 1));
    call.program = Unescape(fields[1].substr(4));
    call.folder = Unescape(fields[2].substr(4));
    call.commandLine = Unescape(fields[3].substr(4));
    return call;
}

std::wstring Wow64Folder()
{
    using GetWow64Folder = UINT(WINAPI*)(wchar_t*, UINT);
    const auto get = reinterpret_cast<GetWow64Folder>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemWow64DirectoryW")));
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = get ? get(folder, MAX_PATH + 1) : 0;
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return !b.empty() && lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

[[noreturn]] void Fail(const std::string& what, const std::wstring& path)
{
    const DWORD error = GetLastError();
    const int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    throw std::runtime_error(what + " " + narrow + " (system error " + std::to_string(error) + ")");
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::vector<NetCall> ParseNetLog(const std::string& log)
{
    std::vector<NetCall> calls;
    size_t begin = 0;
    for (size_t end = log.find('\n'); end != std::string::npos; begin = end + 1, end = log.find('\n', begin))
        calls.push_back(ParseRecord(log.substr(begin, end - begin)));
    return calls;
}

std::vector<NetCall> ReadNetLog(const std::wstring& path)
{
    const KernelHandle file = OwnFile(CreateFileW(path.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {};
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return ParseNetLog(bytes);
}

std::wstring SystemFolderPath()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring SystemNetPath()
{
    return SystemFolderPath() + L"\\net.exe";
}

bool IsSystemFolder(const std::wstring& folder)
{
    const std::wstring plain = folder.size() > 3 && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
    return SamePath(plain, SystemFolderPath()) || SamePath(plain, Wow64Folder());
}

bool IsSystemNet(const std::wstring& program)
{
    const size_t slash = program.find_last_of(L"\\/");
    return slash != std::wstring::npos && lstrcmpiW(program.c_str() + slash + 1, L"net.exe") == 0 &&
           IsSystemFolder(program.substr(0, slash));
}

SystemNetStandIn::SystemNetStandIn(const std::wstring& standIn)
    : path_(SystemNetPath()), saved_(path_ + L".saved")
{
    if (!Exists(saved_) && Exists(path_) && !MoveFileW(path_.c_str(), saved_.c_str()))
        Fail("cannot move aside the system's", path_);
    if (!CopyFileW(standIn.c_str(), path_.c_str(), FALSE))
        Fail("cannot put the net.exe stand-in in place of", path_);
}

SystemNetStandIn::~SystemNetStandIn()
{
    DeleteFileW(path_.c_str());
    if (Exists(saved_))
        MoveFileW(saved_.c_str(), path_.c_str());
}

SystemNetTakenAway::SystemNetTakenAway() : path_(SystemNetPath()), away_(path_ + L".away")
{
    if (!MoveFileExW(path_.c_str(), away_.c_str(), MOVEFILE_REPLACE_EXISTING))
        Fail("cannot take away", path_);
}

SystemNetTakenAway::~SystemNetTakenAway()
{
    MoveFileExW(away_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
}
