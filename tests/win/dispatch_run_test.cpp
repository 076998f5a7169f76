// RunSendCommand against the net.exe stand-in, put in place of the system's own for these cases: it logs
// what each start handed over, which copy of it ran, and in which folder. Its log format is described at
// the top of tests/doubles/net_double.cpp.

#include "common/failure.h"
#include "common/system_reason.h"
#include "common/unique_handle_win.h"
#include "dispatch/send_command.h"
#include "net_log.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Built beside this test program.
std::wstring StandIn()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"net_double.exe";
}

class RunSendCommandTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        standIn_ = std::make_unique<SystemNetStandIn>(StandIn());
        // Every process started from here on is in this job with this one, so that a case can wait for all
        // of them to end, a late second start included.
        job_ = KernelHandle(CreateJobObjectW(nullptr, nullptr));
        inJob_ = job_ && AssignProcessToJobObject(job_.Get(), GetCurrentProcess());
    }
    static void TearDownTestSuite() { standIn_.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(standIn_) << "the net.exe stand-in is not in place of the system's";
        ASSERT_TRUE(inJob_) << "this process could not be put in a job: " << GetLastError();
        static int serial = 0;
        std::wstring temp(MAX_PATH + 1, L'\0');
        temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), &temp[0]));
        log_ = temp + L"net_double_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++serial) + L".log";
        DeleteFileW(log_.c_str());
        // Inherited by every process started from here on.
        SetEnvironmentVariableW(L"NET_DOUBLE_LOG", log_.c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"NET_DOUBLE_LOG", nullptr);
        DeleteFileW(log_.c_str());
    }

    // The processes started from here that still run.
    static DWORD Running()
    {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                  nullptr);
        return accounting.ActiveProcesses > 0 ? accounting.ActiveProcesses - 1 : 0;
    }

    // Every start logged, once every started process has ended (and so has logged, if at all), within a
    // generous time for Wine.
    std::vector<NetCall> Calls() const
    {
        for (int waited = 0; waited < 30000 && Running() > 0; waited += 20)
            Sleep(20);
        return ReadNetLog(log_);
    }

private:
    static inline std::unique_ptr<SystemNetStandIn> standIn_;
    static inline KernelHandle job_;
    static inline bool inJob_ = false;
    std::wstring log_;
};

// The command lines themselves are the end-to-end send table's; here, what only the caller sees.
TEST_F(RunSendCommandTest, EachStartRunsTheSystemsNetOnceMinimizedInTheSystemFolder)
{
    std::vector<std::wstring> sent;
    for (int i = 0; i < 6; ++i) {
        sent.push_back(L"net send PC12 message " + std::to_wstring(i));
        RunSendCommand(sent.back());
    }

    std::vector<std::wstring> received;
    for (const NetCall& call : Calls()) {
        received.push_back(call.commandLine);
        EXPECT_TRUE(call.showFlagSet) << "STARTF_USESHOWWINDOW not set";
        EXPECT_EQ(call.showMode, SW_SHOWMINIMIZED);
        EXPECT_TRUE(IsSystemNet(call.program)) << "ran " << call.program;
        EXPECT_TRUE(IsSystemFolder(call.folder)) << "started in " << call.folder;
    }
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, sent);
}

// A real net waits many seconds for a computer that does not answer; the window must not wait with it.
TEST_F(RunSendCommandTest, ReturnsWhileNetIsStillRunning)
{
    const std::wstring name = L"net_double_hold_" + std::to_wstring(GetCurrentProcessId());
    const KernelHandle release(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    ASSERT_TRUE(release);
    SetEnvironmentVariableW(L"NET_DOUBLE_HOLD", name.c_str());
    RunSendCommand(L"net send PC12 hi");
    const DWORD running = Running();
    SetEnvironmentVariableW(L"NET_DOUBLE_HOLD", nullptr);
    SetEvent(release.Get());
    EXPECT_EQ(running, 1u) << "net had ended before the call returned";
    EXPECT_EQ(Calls().size(), 1u);
}

// CreateProcessW takes 32767 characters, the terminating zero included. A longer line the program
// refuses itself, saying so, and starts nothing: what a system does with one differs between systems.
// The system would cut a line at a zero character, sending something else than asked.
TEST_F(RunSendCommandTest, LongestLineTheSystemTakesArrivesWholeLongerOnesAndZeroCharactersAreRefused)
{
    const std::wstring longest = L"net send PC12 " + std::wstring(32766 - 14, L'x');
    RunSendCommand(longest);
    const std::wstring tooLong = L"Команда длиннее 32766 знаков, такую строку система не принимает. Сократите сообщение.";
    const struct {
        std::wstring line, reason;
    } refused[] = {
        {L"net send PC12 " + std::wstring(32767 - 14, L'x'), tooLong},
        {L"net send PC12 " + std::wstring(100000 - 14, L'x'), tooLong},
        {std::wstring(L"net send PC12 a\0b", 17), L"Команда содержит нулевой знак."},
    };
    for (const auto& row : refused) {
        try {
            RunSendCommand(row.line);
            ADD_FAILURE() << "a line of " << row.line.size() << " characters was accepted";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Text(), L"Не удалось запустить команду net send:\n" + row.reason);
        }
    }
    const std::vector<NetCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u) << "a refused line started net";
    EXPECT_TRUE(calls[0].commandLine == longest) << "got " << calls[0].commandLine.size() << " characters";
}

TEST_F(RunSendCommandTest, MissingNetCarriesTheSystemsReason)
{
    const SystemNetTakenAway missing;
    try {
        RunSendCommand(L"net send PC12 hi");
        FAIL() << "a program that does not exist was started";
    } catch (const Failure& failure) {
        const std::wstring reason = SystemReason(ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(failure.Text().rfind(L"Не удалось запустить команду net send", 0), 0u);
        EXPECT_NE(failure.Text().find(reason), std::wstring::npos)
            << "the text lacks the system's reason for ERROR_FILE_NOT_FOUND";
    }
}

}  // namespace
