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
#include <ostream>
#include <string>
#include <vector>

namespace {

std::wstring ExeFolder()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Built beside this test program.
std::wstring StandIn()
{
    return ExeFolder() + L"net_double.exe";
}

class RunSendCommandTest : public testing::Test {
protected:
    static void SetUpTestSuite() { standIn_ = std::make_unique<SystemNetStandIn>(StandIn()); }
    static void TearDownTestSuite() { standIn_.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(standIn_) << "the net.exe stand-in is not in place of the system's";
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

    // The started process runs on its own; its records are waited for, within a generous time for Wine.
    std::vector<NetCall> WaitForCalls(std::size_t count) const
    {
        std::vector<NetCall> calls;
        for (int waited = 0; waited < 30000; waited += 20) {
            calls = ReadNetLog(log_);
            if (calls.size() >= count)
                break;
            Sleep(20);
        }
        return calls;
    }

private:
    static inline std::unique_ptr<SystemNetStandIn> standIn_;
    std::wstring log_;
};

struct Delivery {
    const char* label;
    std::wstring name;
    std::wstring message;
    std::wstring expected;  // the command line the net program must see
};

void PrintTo(const Delivery& row, std::ostream* out)
{
    *out << row.label;
}

class RunSendCommandDelivery : public RunSendCommandTest, public testing::WithParamInterface<Delivery> {};

TEST_P(RunSendCommandDelivery, NetGetsTheLineUnchangedAndMinimized)
{
    const Delivery& row = GetParam();
    RunSendCommand(ComposeSendCommand(row.name, row.message));

    const std::vector<NetCall> calls = WaitForCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].commandLine, row.expected);
    EXPECT_TRUE(calls[0].showFlagSet) << "STARTF_USESHOWWINDOW not set";
    EXPECT_EQ(calls[0].showMode, SW_SHOWMINIMIZED);
    EXPECT_TRUE(IsSystemNet(calls[0].program)) << "ran " << calls[0].program;
    EXPECT_TRUE(IsSystemFolder(calls[0].folder)) << "started in " << calls[0].folder;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RunSendCommandDelivery,
    testing::Values(
        Delivery{"Plain", L"PC12", L"hi", L"net send PC12 hi"},
        Delivery{"TwoLinesKeepCrLf", L"PC12", L"Привет\r\nвторая строка", L"net send PC12 Привет\r\nвторая строка"},
        Delivery{"NameWithBlanksNotQuoted", L"PC 12 b", L"hi", L"net send PC 12 b hi"},
        Delivery{"ShellCharactersUntouched", L"PC12", L"a|b & c > d < e \"q\" ^x %PATH% \\\\srv\\d",
                 L"net send PC12 a|b & c > d < e \"q\" ^x %PATH% \\\\srv\\d"},
        Delivery{"EmptyNameTwoBlanks", L"", L"hi", L"net send  hi"},
        Delivery{"EmptyMessageTrailingBlank", L"PC12", L"", L"net send PC12 "}),
    [](const testing::TestParamInfo<Delivery>& info) { return std::string(info.param.label); });

TEST_F(RunSendCommandTest, LongestLineTheSystemTakesArrivesWhole)
{
    const std::wstring line = L"net send PC12 " + std::wstring(32766 - 14, L'x');
    ASSERT_EQ(line.size(), 32766u);
    RunSendCommand(line);

    const std::vector<NetCall> calls = WaitForCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].commandLine == line) << "got " << calls[0].commandLine.size() << " characters";
}

TEST_F(RunSendCommandTest, EachStartRunsNetOnce)
{
    std::vector<std::wstring> sent;
    for (int i = 0; i < 6; ++i) {
        sent.push_back(L"net send PC12 message " + std::to_wstring(i));
        RunSendCommand(sent.back());
    }

    std::vector<NetCall> calls = WaitForCalls(sent.size());
    std::vector<std::wstring> received;
    for (const NetCall& call : calls)
        received.push_back(call.commandLine);
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, sent);
}

TEST(RunSendCommandFailure, TooLongLineIsRefusedBeforeTheSystemSeesIt)
{
    for (const std::size_t length : {std::size_t{32767}, std::size_t{100000}}) {
        const std::wstring line = L"net send PC12 " + std::wstring(length - 14, L'x');
        try {
            RunSendCommand(line);
            ADD_FAILURE() << "a line of " << length << " characters was accepted";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Text().rfind(L"Не удалось запустить команду net send", 0), 0u);
        }
    }
}

TEST(RunSendCommandFailure, ZeroCharacterIsRefusedRatherThanCutAt)
{
    EXPECT_THROW(RunSendCommand(std::wstring(L"net send PC12 a\0b", 17)), Failure);
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
