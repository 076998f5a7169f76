// The recipient cases' platform needs, with POSIX calls: the portable build's code page is its built-in
// Windows-1251 table, and concurrent appenders are forked children.

#include "recipients_platform.h"

#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace recipients_test {
namespace {

const std::string kFile(std::begin(kRecipientFileName), std::end(kRecipientFileName) - 1);

std::string previousFolder;
std::string scratchFolder;

} // namespace

unsigned AnsiCodePage()
{
    return 1251;
}

void EnterScratchFolder()
{
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previousFolder = here;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : P_tmpdir) + "/recipients_test_XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    scratchFolder = pattern;
    ASSERT_EQ(chdir(scratchFolder.c_str()), 0);
}

void LeaveScratchFolder()
{
    ASSERT_EQ(chdir(previousFolder.c_str()), 0);
    const std::string remove = "rm -rf '" + scratchFolder + "'";
    EXPECT_EQ(std::system(remove.c_str()), 0);
}

std::wstring NamesFilePath()
{
    // The folder as the system resolves it (TMPDIR may lie behind a symbolic link); its name is ASCII.
    char* const resolved = realpath(scratchFolder.c_str(), nullptr);
    const std::string folder = resolved ? resolved : scratchFolder;
    std::free(resolved);
    return std::wstring(folder.begin(), folder.end()) + L"/" + std::wstring(kRecipientFileName);
}

void WriteNamesFile(const std::string& bytes)
{
    std::ofstream out(kFile, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good());
}

bool NamesFileExists()
{
    struct stat info {};
    return stat(kFile.c_str(), &info) == 0;
}

std::string NamesFileContent()
{
    std::ifstream in(kFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeFolderNamedLikeTheNamesFile()
{
    ASSERT_EQ(mkdir(kFile.c_str(), 0777), 0);
}

// EISDIR in the C locale.
bool IsFolderInsteadOfFileReason(const std::wstring& reason)
{
    return reason == L"Is a directory";
}

void AppendFromProcessesAtOnce(int processes, int appends)
{
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            close(gate[1]);
            char byte;
            const ssize_t opened = read(gate[0], &byte, 1); // returns 0 once the parent closes its end
            int status = opened == 0 ? 0 : 2;
            try {
                for (int i = 0; i < appends; ++i)
                    AppendRecipient(L"ПК-" + std::to_wstring(p) + L"-" + std::to_wstring(i));
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

} // namespace recipients_test
