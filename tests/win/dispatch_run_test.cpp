// RunSendCommand against the net.exe stand-in built next to this test program: the search for `net`
// looks in the folder of the running exe first, so the stand-in is what gets started. Its log format is
// described at the top of tests/doubles/net_double.cpp.

#include "common/failure.h"
#include "common/system_reason.h"
#include "common/unique_handle_win.h"
#include "dispatch/send_command.h"
#include "net_log.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::wstring ExeFolder()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

class RunSendCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring stand_in = ExeFolder() + L"net.exe";
        ASSERT_NE(GetFileAttributesW(stand_in.c_str()), INVALID_FILE_ATTRIBUTES)
            << "the net.exe stand-in must be built next to the test program";

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

// Where the search for a program looks, with a probe program put in prepared folders of a fresh
// current folder and PATH set for the case. In the rows, %T% stands for the current folder's full path,
// %D% for its drive ("C:") and %R% for the path without the drive.
struct SearchCase {
    const char* label;
    std::vector<std::wstring> probes;  // folders, relative to the current folder, that hold the probe
    std::wstring path;                 // PATH
    std::wstring found;                // the folder expected, or empty for none
};

void PrintTo(const SearchCase& row, std::ostream* out)
{
    *out << row.label;
}

std::wstring Expand(std::wstring text, const std::wstring& current)
{
    const std::pair<std::wstring, std::wstring> marks[] = {
        {L"%T%", current}, {L"%D%", current.substr(0, 2)}, {L"%R%", current.substr(2)}};
    for (const auto& mark : marks)
        for (std::size_t at; (at = text.find(mark.first)) != std::wstring::npos;)
            text.replace(at, mark.first.size(), mark.second);
    return text;
}

class ProgramSearch : public testing::TestWithParam<SearchCase> {
protected:
    void SetUp() override
    {
        std::wstring temp(MAX_PATH + 1, L'\0');
        temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), &temp[0]));
        current_ = temp + L"search_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
        ASSERT_TRUE(CreateDirectoryW(current_.c_str(), nullptr));
        for (const wchar_t* sub : {L"\\bin", L"\\abs"})
            ASSERT_TRUE(CreateDirectoryW((current_ + sub).c_str(), nullptr));
        previousFolder_.resize(MAX_PATH + 1);
        previousFolder_.resize(GetCurrentDirectoryW(MAX_PATH + 1, &previousFolder_[0]));
        previousPath_.resize(32768);
        previousPath_.resize(GetEnvironmentVariableW(L"PATH", &previousPath_[0], 32768));
        ASSERT_TRUE(SetCurrentDirectoryW(current_.c_str()));
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"PATH", previousPath_.c_str());
        SetCurrentDirectoryW(previousFolder_.c_str());
        for (const std::wstring& file : made_)
            DeleteFileW(file.c_str());
        for (const wchar_t* sub : {L"\\bin", L"\\abs", L""})
            RemoveDirectoryW((current_ + sub).c_str());
    }

    void Put(const std::wstring& file)
    {
        const KernelHandle made = OwnFile(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(made) << GetLastError();
        made_.push_back(file);
    }

    std::wstring current_;
    std::vector<std::wstring> made_;

private:
    std::wstring previousFolder_;
    std::wstring previousPath_;
};

TEST_P(ProgramSearch, NeverLooksInTheCurrentFolder)
{
    const SearchCase& row = GetParam();
    const std::wstring probe = L"probe_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    for (const std::wstring& folder : row.probes)
        Put(current_ + folder + L"\\" + probe);
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", Expand(row.path, current_).c_str()));

    const std::wstring expected = row.found.empty() ? L"" : Expand(row.found, current_) + L"\\" + probe;
    EXPECT_EQ(FindProgram(probe), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ProgramSearch,
    testing::Values(
        SearchCase{"CurrentFolder", {L""}, L"", L""},
        SearchCase{"DotInPath", {L""}, L".;.\\", L""},
        SearchCase{"EmptyEntriesInPath", {L""}, L";;", L""},
        SearchCase{"RelativeFolderInPath", {L"\\bin"}, L"bin;.\\bin", L""},
        SearchCase{"DriveRelativeFolderInPath", {L"\\bin"}, L"%D%bin", L""},
        SearchCase{"RootRelativeFolderInPath", {L"\\bin"}, L"%R%\\bin", L""},
        SearchCase{"FullFolderInPath", {L"", L"\\bin", L"\\abs"}, L".;bin;%T%\\abs", L"%T%\\abs"},
        SearchCase{"QuotedFullFolderInPath", {L"\\abs"}, L"\"%T%\\abs\"", L"%T%\\abs"},
        SearchCase{"FullFolderWithFinalBackslash", {L"\\abs"}, L"%T%\\abs\\", L"%T%\\abs"}),
    [](const testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.label); });

// The stand-in beside the running program comes before a net.exe in the current folder and in PATH.
TEST_F(ProgramSearch, OwnFolderComesFirst)
{
    Put(current_ + L"\\net.exe");
    Put(current_ + L"\\abs\\net.exe");
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (current_ + L"\\abs").c_str()));
    EXPECT_EQ(FindProgram(L"net.exe"), ExeFolder() + L"net.exe");
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

TEST(RunSendCommandFailure, MissingProgramCarriesTheSystemsReason)
{
    try {
        RunSendCommand(L"net_missing_xyz send PC12 hi");
        FAIL() << "a program that does not exist was started";
    } catch (const Failure& failure) {
        const std::wstring reason = SystemReason(ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(failure.Text().rfind(L"Не удалось запустить команду net send", 0), 0u);
        EXPECT_NE(failure.Text().find(reason), std::wstring::npos)
            << "the text lacks the system's reason for ERROR_FILE_NOT_FOUND";
    }
}

}  // namespace
