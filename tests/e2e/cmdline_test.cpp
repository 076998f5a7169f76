// The command line that cmdSend starts, at the system's limit: a line of the longest length is sent whole,
// one character more is refused without a word. (send_test.cpp has what the line holds.)

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

const std::wstring kPrefix = L"net send PC12 ";

// The program answers window messages within a second: it is not stuck in the handler.
bool Answers(HWND window)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, UpperBound(1000), &result) != 0;
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

E2E_TABLE_ONE_START(CommandLineLimit, LimitCase, kLimitCases);

TEST_P(CommandLineLimit, Sends)
{
    const LimitCase& row = GetParam();
    Program& app = Program::ForRow("PC1\r\n");
    std::wstring message;
    for (size_t i = 0; kPrefix.size() + message.size() < row.commandLineLength; ++i)
        message += (i % 64 == 63) ? L'\n' : static_cast<wchar_t>(L'a' + i % 26);
    message.resize(row.commandLineLength - kPrefix.size());
    message.back() = L'Z';  // a cut line would lose this one
    app.Fill(L"PC12", message);
    E2E_ASSERT_EQ(app.Text(app.Message()).size(), message.size()) << "the message box did not take the text";

    app.Click(app.SendButton());

    EXPECT_TRUE(Answers(app.Main())) << "the window does not answer after the click";
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a failed send should stay silent";
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
    app.ExpectNetCall(kPrefix + L"hi", calls.size());
}

}  // namespace
}  // namespace e2e
