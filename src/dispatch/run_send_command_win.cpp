#include "dispatch/send_command.h"

#include "common/decimal.h"
#include "common/failure.h"
#include "common/system_folder_win.h"
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

[[noreturn]] void ThrowLastError()
{
    const unsigned long code = GetLastError();
    throw Failure(DescribeFailure(kWhatFailed, SystemReason(code)));
}

}  // namespace

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

    // The system's own net.exe, named by its full path: any search for `net` would look first in the
    // program's folder, which is often the current folder too, the one that holds the names file and may
    // be a share or a downloads folder that others write to. It starts in the system folder, so that it
    // finds its own libraries there and not beside the names file.
    const std::wstring systemFolder = SystemFolder();
    if (systemFolder.empty())
        ThrowLastError();
    const std::wstring program = systemFolder + L"\\net.exe";

    // CreateProcessW may write into the command line it is given, so it gets a copy of its own. The line
    // is passed as it is: net sees the same arguments. No command interpreter either, so | & > and the
    // like reach net as plain characters.
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, systemFolder.c_str(),
                        &startup, &started))
        ThrowLastError();
    // The started process is not tracked: its handles are closed at once and it runs on its own.
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
}
