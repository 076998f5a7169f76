// What cmdSend (the button over the message box) starts. The net.exe stand-in in place of the system's
// own logs every command line it gets, the show mode, which copy of it ran and in which folder.

#include "harness.h"
#include "program.h"

#include <algorithm>

namespace e2e {
namespace {

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
    // Each would do something under a command interpreter: run a second command, redirect into a file,
    // expand a variable, escape or quote. Nothing runs through one, so no file is written.
    {"SecondCommandWritesNoFile", L"PC12", L"& echo x > pwned.txt", L"net send PC12 & echo x > pwned.txt"},
    {"InputRedirection", L"PC12", L"a < net_send.ini", L"net send PC12 a < net_send.ini"},
    {"PipeIntoCommand", L"PC12", L"hi | sort > sorted.txt", L"net send PC12 hi | sort > sorted.txt"},
    {"ConditionalCommands", L"PC12", L"hi && echo a>and.txt || echo b>or.txt",
     L"net send PC12 hi && echo a>and.txt || echo b>or.txt"},
    {"HandleRedirection", L"PC12", L"hi 2>&1 1>out.txt", L"net send PC12 hi 2>&1 1>out.txt"},
    {"DelayedExpansion", L"PC12", L"!PATH! %%PATH%% %PATH", L"net send PC12 !PATH! %%PATH%% %PATH"},
    {"UnbalancedQuoteAndCaret", L"PC12", L"\"hi ^& echo x>caret.txt", L"net send PC12 \"hi ^& echo x>caret.txt"},
    {"BackslashesBeforeQuotes", L"PC12", L"a\\\"b\\\\\" c\\", L"net send PC12 a\\\"b\\\\\" c\\"},
    {"ParenthesesAndLineEnd", L"PC12", L"(echo x>paren.txt)\r\necho y>line.txt",
     L"net send PC12 (echo x>paren.txt)\r\necho y>line.txt"},
};

E2E_TABLE_ONE_START(SendCommandLine, SendCase, kSendCases);

TEST_P(SendCommandLine, Is)
{
    const SendCase& row = GetParam();
    Program& app = Program::ForRow("PC1\r\n");
    std::vector<std::wstring> files = FilesIn(app.Folder());
    files.push_back(L"net_calls.log");
    std::sort(files.begin(), files.end());
    app.Fill(row.recipient, row.message);

    app.Click(app.SendButton());

    const NetCall call = app.ExpectNetCall(row.commandLine);
    EXPECT_TRUE(call.showFlagSet) << "STARTF_USESHOWWINDOW not set";
    E2E_EXPECT_EQ(call.showMode, SW_SHOWMINIMIZED);
    EXPECT_TRUE(IsSystemNet(call.program)) << "ran " << call.program;

    E2E_EXPECT_EQ(app.Text(app.Combo()), row.recipient);
    E2E_EXPECT_EQ(app.Text(app.Message()), row.message);
    E2E_EXPECT_EQ(app.Items(), Items{L"PC1"});
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\n"));
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(FilesIn(app.Folder()), files) << "something wrote into the folder";
}

TEST(Sending, PressedTwiceStartsTwoProcesses)
{
    Program app("PC1\r\n");
    app.Start();
    app.Fill(L"PC12", L"hi");
    app.Click(app.SendButton());
    app.ExpectNetCall(L"net send PC12 hi");
    app.Click(app.SendButton());
    app.ExpectNetCall(L"net send PC12 hi", 1);
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
    app.ExpectNetCall(L"net send PC2 hi");
}

// A net.exe where a search for `net` would look before the system folder: the program's own folder, the
// current folder (which holds the names file: a downloads folder, a share that others write to), and a
// folder of PATH. None of them runs: the system's does, in the system folder.
struct PlantedNetCase {
    const char* name;
    std::vector<std::wstring> netIn;  // subfolders of the program's folder; empty: the folder itself
    std::wstring current;             // the current folder, the same way
    bool inPath;                      // the folder "bin" first in PATH
};

const PlantedNetCase kPlantedNetCases[] = {
    // Unpacked into Downloads and started with a double click: the program's folder is the current one.
    {"BesideTheProgramWhichIsTheCurrentFolder", {L""}, L"", false},
    {"InTheCurrentFolder", {L"work"}, L"work", false},
    {"BesideTheProgramInTheCurrentFolderAndInPath", {L"", L"work", L"bin"}, L"work", true},
};

E2E_TABLE(PlantedNet, PlantedNetCase, kPlantedNetCases);

TEST_P(PlantedNet, NeverRuns)
{
    const PlantedNetCase& row = GetParam();
    Program app("PC1\r\n");
    app.MakeFolder(L"work");
    app.MakeFolder(L"bin");
    app.WriteBytes(L"work\\net_send.ini", "PC2\r\n");
    for (const std::wstring& folder : row.netIn)
        app.PutNet(folder);
    if (row.inPath)
        app.SetEnvironment(L"PATH", app.PathOf(L"bin") + L";" + EnvironmentVariable(L"PATH"));
    app.Start(row.current);
    E2E_ASSERT_EQ(app.Items(), Items{row.current.empty() ? L"PC1" : L"PC2"});  // the current folder is the one meant
    app.Fill(L"PC12", L"hi");

    app.Click(app.SendButton());

    const NetCall call = app.ExpectNetCall(L"net send PC12 hi");
    EXPECT_TRUE(IsSystemNet(call.program)) << "ran " << call.program;
    EXPECT_TRUE(IsSystemFolder(call.folder)) << "started in " << call.folder;
    EXPECT_TRUE(app.Running());
}

// No net.exe in the system folder, as on a system without it: the send fails, the user is told nothing,
// and no other net.exe is taken instead. (cmdline_test.cpp has the command lines too long to start.)
TEST(Sending, MissingNetStaysSilent)
{
    Program app("PC1\r\n");
    app.PutNet();
    app.Start();
    app.Fill(L"PC12", L"hi");

    {
        const SystemNetTakenAway missing;
        app.Click(app.SendButton());
        app.WaitForStartedProcesses();
        EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a failed send should stay silent";
    }
    E2E_EXPECT_EQ(app.Calls().size(), 0u) << "another net.exe ran";
    EXPECT_TRUE(app.Running());
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC12");
    E2E_EXPECT_EQ(app.Text(app.Message()), L"hi");
}

}  // namespace
}  // namespace e2e
