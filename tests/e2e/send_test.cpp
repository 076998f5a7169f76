// What cmdSend (the button over the message box) starts. The net.exe stand-in in the program's folder,
// which the search for `net` finds first, logs every command line it gets and the show mode.

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

struct SendCase {
    const char* name;
    std::wstring recipient;
    std::wstring message;
    std::wstring commandLine;
};

const SendCase kSendCases[] = {
    {"NameAndMessage", L"PC12", L"hi", L"net send PC12 hi"},
    {"EmptyName", L"", L"hi", L"net send  hi"},
    {"EmptyMessage", L"PC12", L"", L"net send PC12 "},
    {"BothEmpty", L"", L"", L"net send  "},
    {"TwoLineMessageKeepsCrLf", L"PC12", L"first\r\nsecond", L"net send PC12 first\r\nsecond"},
    {"NameWithBlanksNotQuoted", L"PC 12", L"hi there", L"net send PC 12 hi there"},
    {"ShellCharactersUntouched", L"PC12", L"a|b & c > d \"e\" %PATH% ^", L"net send PC12 a|b & c > d \"e\" %PATH% ^"},
    {"Cyrillic", L"ПК-12", L"Привет, мир!", L"net send ПК-12 Привет, мир!"},
    {"OutsideCodePage1251", L"PC12", L"中文 ✓", L"net send PC12 中文 ✓"},
};

E2E_TABLE(SendCommandLine, SendCase, kSendCases);

TEST_P(SendCommandLine, Is)
{
    const SendCase& row = GetParam();
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), row.recipient);
    app.SetText(app.Message(), row.message);

    app.Click(app.SendButton());

    app.WaitForCalls(1);
    app.WaitForStartedProcesses();
    const std::vector<NetCall> calls = app.Calls();
    E2E_ASSERT_EQ(calls.size(), 1u);
    E2E_EXPECT_EQ(calls[0].commandLine, row.commandLine);
    EXPECT_TRUE(calls[0].showFlagSet) << "STARTF_USESHOWWINDOW not set";
    E2E_EXPECT_EQ(calls[0].showMode, SW_SHOWMINIMIZED);

    E2E_EXPECT_EQ(app.Text(app.Combo()), row.recipient);
    E2E_EXPECT_EQ(app.Text(app.Message()), row.message);
    E2E_EXPECT_EQ(app.Items(), Items{L"PC1"});
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
}

TEST(Sending, PressedTwiceStartsTwoProcesses)
{
    Program app("PC1\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC12");
    app.SetText(app.Message(), L"hi");
    app.Click(app.SendButton());
    app.Click(app.SendButton());

    app.WaitForCalls(2);
    app.WaitForStartedProcesses();
    const std::vector<NetCall> calls = app.Calls();
    E2E_ASSERT_EQ(calls.size(), 2u);
    E2E_EXPECT_EQ(calls[0].commandLine, L"net send PC12 hi");
    E2E_EXPECT_EQ(calls[1].commandLine, L"net send PC12 hi");
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC12");
    E2E_EXPECT_EQ(app.Text(app.Message()), L"hi");
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
}

TEST(Sending, PickedItemIsSent)
{
    Program app("PC1\r\nPC2\r\n");
    app.Start();
    app.Select(1);
    app.SetText(app.Message(), L"hi");
    app.Click(app.SendButton());
    const std::vector<NetCall> calls = app.WaitForCalls(1);
    E2E_ASSERT_EQ(calls.size(), 1u);
    E2E_EXPECT_EQ(calls[0].commandLine, L"net send PC2 hi");
}

// A net.exe that cannot be started: the send fails, and the user is told nothing.
TEST(Sending, FailureToStartStaysSilent)
{
    Program app("PC1\r\n");
    app.WriteBytes(L"net.exe", "this is not a program\r\n");
    app.Start();
    app.SetText(app.Combo(), L"PC12");
    app.SetText(app.Message(), L"hi");

    app.Click(app.SendButton());

    EXPECT_TRUE(app.WaitForMessageBox(1000) == nullptr) << "a failed send should stay silent";
    EXPECT_TRUE(app.Running());
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC12");
    E2E_EXPECT_EQ(app.Text(app.Message()), L"hi");
    EXPECT_TRUE(app.Calls().empty());
}

// A message beyond the system's limit for a command line (32767 characters) cannot be started; net.exe
// must never get a cut one.
TEST(Sending, OverlongMessageFailsSilently)
{
    Program app("PC1\r\n");
    app.Start();
    std::wstring message;
    while (message.size() < 32768)
        message += L"a line of the message, of no more than one line's length\r\n";
    app.SetText(app.Combo(), L"PC12");
    app.SetText(app.Message(), message);

    app.Click(app.SendButton());

    EXPECT_TRUE(app.WaitForMessageBox(1000) == nullptr);
    EXPECT_TRUE(app.Running());
    E2E_EXPECT_EQ(app.Text(app.Message()), message);
    app.WaitForStartedProcesses();
    for (const NetCall& call : app.Calls())
        E2E_EXPECT_EQ(call.commandLine.size(), 14u + message.size()) << "net.exe got a cut command line";
}

}  // namespace
}  // namespace e2e
