// ReadRecipients and AppendRecipient with the Win32 file calls, in a temporary folder made the current
// directory; several processes (recipients_append_worker.exe, built beside this test program) append
// to one file at once.

#include "common/failure.h"
#include "common/unique_handle_win.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

const wchar_t kFile[] = L"net_send.ini";

using Names = std::vector<RecipientName>;

class RecipientsWinFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t here[MAX_PATH];
        ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, here), 0u);
        previous_ = here;
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        for (unsigned attempt = 0;; ++attempt) {
            folder_ = std::wstring(temp) + L"recipients_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                      std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(attempt);
            if (CreateDirectoryW(folder_.c_str(), nullptr))
                break;
            ASSERT_LT(attempt, 100u);
        }
        ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
    }

    void TearDown() override
    {
        ASSERT_TRUE(SetCurrentDirectoryW(previous_.c_str()));
        const std::wstring file = folder_ + L"\\" + kFile;
        if (!DeleteFileW(file.c_str()))
            RemoveDirectoryW(file.c_str());
        EXPECT_TRUE(RemoveDirectoryW(folder_.c_str()));
    }

    static void Write(const std::string& bytes)
    {
        KernelHandle file = OwnFile(CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }

    static std::string Content()
    {
        KernelHandle file = OwnFile(CreateFileW(kFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return "<missing>";
        std::string content;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            content.append(buffer, got);
        return content;
    }

    static Names ReadAll()
    {
        Names names;
        ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
        return names;
    }

private:
    std::wstring previous_;
    std::wstring folder_;
};

// The part of a failure's text after "<what failed>:\n", which is the system's reason.
std::wstring ReasonOf(const Failure& failure, const std::wstring& whatFailed)
{
    const std::wstring& text = failure.Text();
    const std::wstring head = whatFailed + L":\n";
    if (text.compare(0, head.size(), head) != 0)
        return std::wstring();
    return text.substr(head.size());
}

TEST_F(RecipientsWinFile, MissingOrEmptyFileHoldsNoNames)
{
    EXPECT_EQ(ReadAll(), Names{});
    EXPECT_EQ(Content(), "<missing>");
    Write("");
    EXPECT_EQ(ReadAll(), Names{});
}

TEST_F(RecipientsWinFile, NamesGoInAndComeOutInCodePage1251)
{
    ASSERT_EQ(GetACP(), 1251u);
    AppendRecipient(L"PC1");
    AppendRecipient(L"ПК-Бух");
    AppendRecipient(L"");
    AppendRecipient(L"PC1");
    EXPECT_EQ(Content(), "PC1\r\n\xCF\xCA-\xC1\xF3\xF5\r\n\r\nPC1\r\n");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"ПК-Бух", L"", L"PC1"}));
}

TEST_F(RecipientsWinFile, AppendEndsAnUnendedLastLineFirst)
{
    Write("PC1");
    AppendRecipient(L"PC2");
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
}

TEST_F(RecipientsWinFile, UnrepresentableNameIsRefusedAndTheFileKeepsItsBytes)
{
    Write("PC1");
    try {
        AppendRecipient(L"caf\u00E9");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_NE(ReasonOf(failure, L"Не удалось сохранить имя в файле net_send.ini").find(L"нельзя сохранить"),
                  std::wstring::npos);
    }
    EXPECT_EQ(Content(), "PC1");
}

TEST_F(RecipientsWinFile, FolderOfThatNameIsAFailureWithTheSystemsReason)
{
    ASSERT_TRUE(CreateDirectoryW(kFile, nullptr));
    try {
        ReadAll();
        FAIL() << "no failure when reading";
    } catch (const Failure& failure) {
        EXPECT_FALSE(ReasonOf(failure, L"Не удалось прочитать файл net_send.ini").empty());
    }
    try {
        AppendRecipient(L"PC1");
        FAIL() << "no failure when appending";
    } catch (const Failure& failure) {
        EXPECT_FALSE(ReasonOf(failure, L"Не удалось сохранить имя в файле net_send.ini").empty());
    }
}

TEST_F(RecipientsWinFile, FileHeldWithoutSharingFailsAfterAShortWait)
{
    Write("PC1\r\n");
    {
        KernelHandle holder = OwnFile(
            CreateFileW(kFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        const DWORD start = GetTickCount();
        EXPECT_THROW(AppendRecipient(L"PC2"), Failure);
        EXPECT_GE(GetTickCount() - start, 800u);  // it waited for the holder before giving up
        EXPECT_THROW(ReadAll(), Failure);
    }
    EXPECT_EQ(Content(), "PC1\r\n");
}

DWORD WINAPI CloseAfterAWhile(void* handle)
{
    Sleep(300);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

TEST_F(RecipientsWinFile, FileHeldBrieflyWithoutSharingIsWaitedFor)
{
    Write("PC1\r\n");
    const HANDLE holder = CreateFileW(kFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    KernelHandle closer(CreateThread(nullptr, 0, CloseAfterAWhile, holder, 0, nullptr));
    ASSERT_TRUE(closer);
    AppendRecipient(L"PC2");
    WaitForSingleObject(closer.Get(), INFINITE);
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
}

// Appending from several processes at once.

std::wstring WorkerPath()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"recipients_append_worker.exe";
}

// Starts `workers` worker processes, all suspended, then lets them go at once, and waits for them.
void AppendFromProcessesAtOnce(int workers, int appends)
{
    const std::wstring worker = WorkerPath();
    ASSERT_NE(GetFileAttributesW(worker.c_str()), INVALID_FILE_ATTRIBUTES) << "missing helper program";
    std::vector<PROCESS_INFORMATION> started;
    for (int w = 0; w < workers; ++w) {
        std::wstring commandLine =
            L"\"" + worker + L"\" " + std::to_wstring(w) + L" " + std::to_wstring(appends);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        // Wine now and then refuses a process start under load (ERROR_INTERNAL_ERROR); a second try
        // succeeds, and what is under test here is the appending, not the start.
        BOOL ok = FALSE;
        for (int attempt = 0; attempt < 5 && !ok; ++attempt) {
            if (attempt > 0)
                Sleep(100);
            ok = CreateProcessW(worker.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                nullptr, nullptr, &startup, &process);
        }
        ASSERT_TRUE(ok) << GetLastError();
        started.push_back(process);
    }
    for (const PROCESS_INFORMATION& process : started)
        ResumeThread(process.hThread);
    for (const PROCESS_INFORMATION& process : started) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// Reads "ПК-<worker>-<number>" (nothing more); false for anything else.
bool ParseWorkerName(const RecipientName& name, int& worker, int& number)
{
    const std::wstring prefix = L"ПК-";
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    std::size_t at = prefix.size();
    const auto readNumber = [&](int& value) {
        const std::size_t begin = at;
        value = 0;
        while (at < name.size() && iswdigit(name[at]) && at - begin < 6)
            value = value * 10 + (name[at++] - L'0');
        return at > begin;
    };
    if (!readNumber(worker) || at >= name.size() || name[at++] != L'-' || !readNumber(number))
        return false;
    return at == name.size();
}

// The file holds `first` and then every worker's names, each whole and in its order, and nothing else.
void ExpectWholeLines(const RecipientName& first, int workers, int appends)
{
    Names names;
    ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
    ASSERT_EQ(names.size(), static_cast<std::size_t>(1 + workers * appends));
    EXPECT_EQ(names[0], first);
    std::vector<int> next(static_cast<std::size_t>(workers), 0);
    for (std::size_t i = 1; i < names.size(); ++i) {
        int worker = -1;
        int number = -1;
        ASSERT_TRUE(ParseWorkerName(names[i], worker, number)) << "entry " << i;
        ASSERT_TRUE(worker >= 0 && worker < workers) << "entry " << i;
        EXPECT_EQ(number, next[static_cast<std::size_t>(worker)]++) << "entry " << i;
    }
}

TEST_F(RecipientsWinFile, FourProcessesAppendingAtOnceLoseAndJoinNothing)
{
    // Started without a final line end: exactly one appender may end that line.
    Write("START");
    AppendFromProcessesAtOnce(4, 500);
    ExpectWholeLines(L"START", 4, 500);
    const std::string content = Content();
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

TEST_F(RecipientsWinFile, OnlyOneOfManyAppendersEndsAnUnendedLastLine)
{
    for (int round = 0; round < 10 && !HasFailure(); ++round) {
        Write("START");
        AppendFromProcessesAtOnce(4, 2);
        ExpectWholeLines(L"START", 4, 2);  // a second CR LF would read as an empty entry
    }
}

}  // namespace
