// The command line that cmdSend starts, at its edges: characters a command interpreter would act on reach
// net.exe as typed (send_test.cpp has the common ones), nothing ever runs through an interpreter, and a
// line at the system's limit is sent whole while one character more is refused without a word.

#include "harness.h"
#include "program.h"

#include <algorithm>

namespace e2e {
namespace {

const std::wstring kPrefix = L"net send PC12 ";

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The program answers window messages within a second: it is not stuck in the handler.
bool Answers(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
}

struct InterpreterCase {
    const char* name;
    std::wstring message;
};

// Each would do something under a command interpreter: run a second command, redirect into a file,
// expand a variable, escape or quote.
const InterpreterCase kInterpreterCases[] = {
    {"SecondCommandWritesNoFile", L"& echo x > pwned.txt"},
    {"InputRedirection", L"a < net_send.ini"},
    {"PipeIntoCommand", L"hi | sort > sorted.txt"},
    {"ConditionalCommands", L"hi && echo a>and.txt || echo b>or.txt"},
    {"HandleRedirection", L"hi 2>&1 1>out.txt"},
    {"DelayedExpansion", L"!PATH! %%PATH%% %PATH"},
    {"UnbalancedQuoteAndCaret", L"\"hi ^& echo x>caret.txt"},
    {"BackslashesBeforeQuotes", L"a\\\"b\\\\\" c\\"},
    {"ParenthesesAndLineEnd", L"(echo x>paren.txt)\r\necho y>line.txt"},
};

E2E_TABLE(NoInterpreter, InterpreterCase, kInterpreterCases);

TEST_P(NoInterpreter, SendsAsTyped)
{
    const InterpreterCase& row = GetParam();
    Program app("PC1\r\n");
    app.Start();
    const std::vector<std::wstring> filesBefore = FilesIn(app.Folder());
    app.SetText(app.Combo(), L"PC12");
    app.SetText(app.Message(), row.message);

    app.Click(app.SendButton());

    app.WaitForCalls(1);
    app.WaitForStartedProcesses();
    const std::vector<NetCall> calls = app.Calls();
    E2E_ASSERT_EQ(calls.size(), 1u);
    E2E_EXPECT_EQ(calls[0].commandLine, kPrefix + row.message);
    std::vector<std::wstring> filesAfter = filesBefore;
    filesAfter.push_back(L"net_calls.log");
    std::sort(filesAfter.begin(), filesAfter.end());
    E2E_EXPECT_EQ(FilesIn(app.Folder()), filesAfter) << "something wrote into the folder";
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
}

// CreateProcessW takes 32767 characters with the terminating zero: 32766 of command line.
struct LimitCase {
    const char* name;
    size_t commandLineLength;
    bool started;
};

const LimitCase kLimitCases[] = {
    {"LongestLineIsSentWhole", 32766, true},
    {"OneCharacterMoreIsRefusedQuietly", 32767, false},
    {"FarBeyondIsRefusedQuietly", 200000, false},
};

E2E_TABLE(CommandLineLimit, LimitCase, kLimitCases);

TEST_P(CommandLineLimit, Sends)
{
    const LimitCase& row = GetParam();
    Program app("PC1\r\n");
    app.Start();
    std::wstring message;
    for (size_t i = 0; kPrefix.size() + message.size() < row.commandLineLength; ++i)
        message += (i % 64 == 63) ? L'\n' : static_cast<wchar_t>(L'a' + i % 26);
    message.resize(row.commandLineLength - kPrefix.size());
    message.back() = L'Z';  // a cut line would lose this one
    app.SetText(app.Combo(), L"PC12");
    app.SetText(app.Message(), message);
    E2E_ASSERT_EQ(app.Text(app.Message()).size(), message.size()) << "the message box did not take the text";

    app.Click(app.SendButton());

    EXPECT_TRUE(Answers(app.Main())) << "the window does not answer after the click";
    EXPECT_TRUE(app.WaitForMessageBox(500) == nullptr) << "a failed send should stay silent";
    app.WaitForStartedProcesses();
    const std::vector<NetCall> calls = app.Calls();
    if (row.started) {
        E2E_ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(calls[0].commandLine == kPrefix + message)
            << "net.exe got " << calls[0].commandLine.size() << " characters, not " << row.commandLineLength;
    } else {
        E2E_EXPECT_EQ(calls.size(), 0u) << "net.exe was started";
    }
    EXPECT_TRUE(app.Running());
    E2E_EXPECT_EQ(app.Text(app.Message()), message);
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC12");

    // The window still works: a short message right after goes out.
    app.SetText(app.Message(), L"hi");
    app.Click(app.SendButton());
    const std::vector<NetCall> after = app.WaitForCalls(calls.size() + 1);
    E2E_ASSERT_EQ(after.size(), calls.size() + 1);
    E2E_EXPECT_EQ(after.back().commandLine, kPrefix + L"hi");
}

}  // namespace
}  // namespace e2e
