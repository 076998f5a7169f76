// The recipient cases' platform needs, with Win32 calls: the system's ANSI code page, and concurrent
// appenders that are processes of their own (recipients_append_worker.exe, built beside this program).

#include "recipients_platform.h"

#include "common/unique_handle_win.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace recipients_test {
namespace {

std::wstring previousFolder;
std::wstring scratchFolder;

KernelHandle OpenNamesFile(DWORD access, DWORD share, DWORD disposition)
{
    return OwnFile(CreateFileW(kRecipientFileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring WorkerPath()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"recipients_append_worker.exe";
}

struct Worker {
    KernelHandle process;
    KernelHandle thread;
};

// Started suspended, so that every worker can be let go at the same moment.
Worker StartWorker(const std::wstring& program, int number, int appends)
{
    std::wstring commandLine = L"\"" + program + L"\" " + std::to_wstring(number) + L" " + std::to_wstring(appends);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Wine now and then refuses a process start under load (ERROR_INTERNAL_ERROR); a second try
    // succeeds, and what is under test here is the appending, not the start.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0)
            Sleep(100);
        if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                           nullptr, &startup, &started))
            return {KernelHandle(started.hProcess), KernelHandle(started.hThread)};
    }
    ADD_FAILURE() << "worker " << number << " did not start: error " << GetLastError();
    return {};
}

} // namespace

unsigned AnsiCodePage()
{
    return GetACP();
}

void EnterScratchFolder()
{
    wchar_t here[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, here), 0u);
    previousFolder = here;
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    for (unsigned attempt = 0;; ++attempt) {
        scratchFolder = std::wstring(temp) + L"recipients_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(attempt);
        if (CreateDirectoryW(scratchFolder.c_str(), nullptr))
            break;
        ASSERT_LT(attempt, 100u);
    }
    ASSERT_TRUE(SetCurrentDirectoryW(scratchFolder.c_str()));
}

void LeaveScratchFolder()
{
    ASSERT_TRUE(SetCurrentDirectoryW(previousFolder.c_str()));
    const std::wstring file = scratchFolder + L"\\" + kRecipientFileName;
    if (!DeleteFileW(file.c_str()))
        RemoveDirectoryW(file.c_str());
    EXPECT_TRUE(RemoveDirectoryW(scratchFolder.c_str()));
}

std::wstring NamesFilePath()
{
    return scratchFolder + L"\\" + kRecipientFileName;
}

void WriteNamesFile(const std::string& bytes)
{
    const KernelHandle file = OpenNamesFile(GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

bool NamesFileExists()
{
    return GetFileAttributesW(kRecipientFileName) != INVALID_FILE_ATTRIBUTES;
}

std::string NamesFileContent()
{
    const KernelHandle file = OpenNamesFile(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

void MakeFolderNamedLikeTheNamesFile()
{
    ASSERT_TRUE(CreateDirectoryW(kRecipientFileName, nullptr));
}

// ERROR_ACCESS_DENIED in Russian and in English, as Windows and as Wine word it.
bool IsFolderInsteadOfFileReason(const std::wstring& reason)
{
    return reason == L"Отказано в доступе." || reason == L"Доступ запрещён." || reason == L"Access is denied." ||
           reason == L"Access denied.";
}

void AppendFromProcessesAtOnce(int processes, int appends)
{
    const std::wstring program = WorkerPath();
    ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES) << "missing helper program";
    std::vector<Worker> workers;
    for (int w = 0; w < processes; ++w) {
        workers.push_back(StartWorker(program, w, appends));
        if (!workers.back().process) {
            for (const Worker& started : workers)
                if (started.process)
                    TerminateProcess(started.process.Get(), 3); // suspended, they would wait for ever
            return;
        }
    }
    for (const Worker& worker : workers)
        ResumeThread(worker.thread.Get());
    for (const Worker& worker : workers) {
        EXPECT_EQ(WaitForSingleObject(worker.process.Get(), 120000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(worker.process.Get(), &code);
        EXPECT_EQ(code, 0u);
    }
}

} // namespace recipients_test
