// ReadRecipients and AppendRecipient with the Win32 file calls, in a temporary folder made the current
// directory; several processes (recipients_append_worker.exe, built beside this test program) append
// to one file at once.

#include "common/failure.h"
#include "common/system_reason.h"
#include "common/unique_handle_win.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <ostream>
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

// Another program has the file: open without sharing it, or holding the appenders' lock (one byte at
// 1 GiB, where every instance of the program, of any version, looks for it). A hold is given up as
// another instance would: unlocked, then closed.
struct Holder {
    const char* label;
    DWORD share;
    bool locks;
    DWORD error;  // what the append reports once it gives up
};

void PrintTo(const Holder& holder, std::ostream* out)
{
    *out << holder.label;
}

KernelHandle Hold(const Holder& holder)
{
    KernelHandle file = OwnFile(CreateFileW(kFile, GENERIC_READ | GENERIC_WRITE, holder.share, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    OVERLAPPED range{};
    range.Offset = 0x40000000;
    if (file && holder.locks && !LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range))
        file.Reset();
    return file;
}

void LetGo(HANDLE file)
{
    OVERLAPPED range{};
    range.Offset = 0x40000000;
    UnlockFileEx(file, 0, 1, 0, &range);
    CloseHandle(file);
}

DWORD WINAPI LetGoAfterAWhile(void* file)
{
    Sleep(300);
    LetGo(static_cast<HANDLE>(file));
    return 0;
}

class RecipientsWinFileHeld : public RecipientsWinFile, public testing::WithParamInterface<Holder> {};

// The window waits on this: it must give up within about a second, say the file is in use, leave it
// as it was and keep no handle of it open.
TEST_P(RecipientsWinFileHeld, AppendGivesUpAfterAShortWaitAndLetsGoOfTheFile)
{
    Write("PC1\r\n");
    KernelHandle holder = Hold(GetParam());
    ASSERT_TRUE(holder);
    const DWORD start = GetTickCount();
    try {
        AppendRecipient(L"PC2");
        ADD_FAILURE() << "saved while the file was held";
    } catch (const Failure& failure) {
        EXPECT_EQ(ReasonOf(failure, L"Не удалось сохранить имя в файле net_send.ini"),
                  SystemReason(GetParam().error));
    }
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 800u) << "it gave up without waiting for the holder";
    EXPECT_LT(waited, 3000u) << "it kept the caller waiting";
    LetGo(holder.Release());

    EXPECT_EQ(Content(), "PC1\r\n");
    EXPECT_TRUE(OwnFile(CreateFileW(kFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)))
        << "the failed append left the file open: " << GetLastError();
    AppendRecipient(L"PC2");
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
}

TEST_P(RecipientsWinFileHeld, AppendWaitsForABriefHold)
{
    Write("PC1\r\n");
    KernelHandle holder = Hold(GetParam());
    ASSERT_TRUE(holder);
    KernelHandle letGo(CreateThread(nullptr, 0, LetGoAfterAWhile, holder.Release(), 0, nullptr));
    ASSERT_TRUE(letGo);
    AppendRecipient(L"PC2");
    WaitForSingleObject(letGo.Get(), INFINITE);
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Holders, RecipientsWinFileHeld,
    testing::Values(Holder{"OpenWithoutSharing", 0, false, ERROR_SHARING_VIOLATION},
                    Holder{"AppendersLock", FILE_SHARE_READ | FILE_SHARE_WRITE, true, ERROR_LOCK_VIOLATION}),
    [](const testing::TestParamInfo<Holder>& info) { return std::string(info.param.label); });

TEST_F(RecipientsWinFile, ReadingWaitsForNoAppender)
{
    // Reading is never kept from the content by an appender's lock, however long it is held.
    Write("PC1\r\n");
    const KernelHandle holder = Hold(Holder{"AppendersLock", FILE_SHARE_READ | FILE_SHARE_WRITE, true, 0});
    ASSERT_TRUE(holder);
    EXPECT_EQ(ReadAll(), Names{L"PC1"});
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
