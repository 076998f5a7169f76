#include "net_log.h"

#include "common/unique_handle_win.h"

#include <windows.h>

#include <stdexcept>

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

// show=<flag>,<mode><TAB>cmd=<escaped command line>
NetCall ParseRecord(const std::string& record)
{
    const std::wstring line = WideFromUtf8(record);
    const size_t tab = line.find(L'\t');
    const size_t comma = line.find(L',');
    if (line.compare(0, 5, L"show=") != 0 || tab == std::wstring::npos || line.compare(tab, 5, L"\tcmd=") != 0 ||
        comma > tab)
        throw std::runtime_error("a record not in the net.exe stand-in's format: " + record);
    NetCall call;
    call.showFlagSet = line.substr(5, comma - 5) == L"1";
    call.showMode = std::stoi(line.substr(comma + 1, tab - comma - 1));
    call.commandLine = Unescape(line.substr(tab + 5));
    return call;
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
