// ReadRecipients and AppendRecipient on real files in a temporary folder that is made the current
// directory (the file name is relative to it).

#include "common/failure.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char kFile[] = "net_send.ini";

class RecipientsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        previous_ = here;
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : P_tmpdir) + "/recipients_test_XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        folder_ = pattern;
        ASSERT_EQ(chdir(folder_.c_str()), 0);
    }

    void TearDown() override
    {
        ASSERT_EQ(chdir(previous_.c_str()), 0);
        const std::string remove = "rm -rf '" + folder_ + "'";
        EXPECT_EQ(std::system(remove.c_str()), 0);
    }

    static void Write(const std::string& bytes)
    {
        std::ofstream out(kFile, std::ios::binary | std::ios::trunc);
        out << bytes;
        ASSERT_TRUE(out.good());
    }

    static std::string Content()
    {
        std::ifstream in(kFile, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static bool Exists()
    {
        struct stat info {};
        return stat(kFile, &info) == 0;
    }

    static std::vector<RecipientName> ReadAll()
    {
        std::vector<RecipientName> names;
        ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
        return names;
    }

private:
    std::string previous_;
    std::string folder_;
};

using Names = std::vector<RecipientName>;

// Reading.

TEST_F(RecipientsFile, MissingFileHoldsNoNames)
{
    EXPECT_EQ(ReadAll(), Names{});
    EXPECT_FALSE(Exists());  // reading never creates it
}

TEST_F(RecipientsFile, EmptyFileHoldsNoNames)
{
    Write("");
    EXPECT_EQ(ReadAll(), Names{});
}

TEST_F(RecipientsFile, NamesAreReadInFileOrderFromTheCodePage)
{
    Write("PC1\r\n\xCF\xCA-\xC1\xF3\xF5\r\n\r\nPC1\r\nlast");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"ПК-Бух", L"", L"PC1", L"last"}));
}

TEST_F(RecipientsFile, FolderOfThatNameIsAFailureNotAMissingFile)
{
    ASSERT_EQ(mkdir(kFile, 0777), 0);
    try {
        ReadAll();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text().rfind(L"Не удалось прочитать файл net_send.ini:\n", 0), 0u) << failure.what();
        EXPECT_NE(failure.Text().find(L"directory"), std::wstring::npos);  // the system's own reason
    }
}

TEST_F(RecipientsFile, BigFileIsReadWhole)
{
    // Several read chunks, entries straddling their boundaries.
    std::string content;
    Names expected;
    for (int i = 0; i < 40000; ++i) {
        const std::string name = "PC-" + std::to_string(i * 7919);
        content += name + "\r\n";
        expected.emplace_back(name.begin(), name.end());
    }
    Write(content);
    EXPECT_EQ(ReadAll(), expected);
}

// Appending.

TEST_F(RecipientsFile, AppendToMissingFileCreatesOneLine)
{
    AppendRecipient(L"PC1");
    EXPECT_EQ(Content(), "PC1\r\n");
}

TEST_F(RecipientsFile, AppendEndsAnUnendedLastLineFirst)
{
    Write("PC1");
    AppendRecipient(L"PC2");
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"PC2"}));
}

TEST_F(RecipientsFile, AppendKeepsLineEndsOfEveryKind)
{
    Write("a\r\nb\n");
    AppendRecipient(L"c");
    Write(Content() + "d\r");
    AppendRecipient(L"e");
    EXPECT_EQ(Content(), "a\r\nb\nc\r\nd\re\r\n");
}

TEST_F(RecipientsFile, SameNameTwiceGivesTwoLines)
{
    AppendRecipient(L"PC1");
    AppendRecipient(L"PC1");
    EXPECT_EQ(Content(), "PC1\r\nPC1\r\n");
    EXPECT_EQ(ReadAll(), (Names{L"PC1", L"PC1"}));
}

TEST_F(RecipientsFile, EmptyNameWritesAnEmptyLine)
{
    AppendRecipient(L"");
    EXPECT_EQ(Content(), "\r\n");
    AppendRecipient(L"PC1");
    AppendRecipient(L"");
    EXPECT_EQ(Content(), "\r\nPC1\r\n\r\n");
}

TEST_F(RecipientsFile, NamesAreWrittenUnchangedInTheCodePage)
{
    AppendRecipient(L"  ПК Бухгалтерии ");
    EXPECT_EQ(Content(), "  \xCF\xCA \xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xE8 \r\n");
}

TEST_F(RecipientsFile, AppendedNamesReadBack)
{
    const Names names = {L"PC1", L"ПК-2", L"Ёлка", L"server 3", L"\u20AC\u2116"};
    for (const RecipientName& name : names)
        AppendRecipient(name);
    EXPECT_EQ(ReadAll(), names);
}

TEST_F(RecipientsFile, UnrepresentableNameIsRefusedAndTheFileKeepsItsBytes)
{
    Write("PC1");
    try {
        AppendRecipient(L"caf\u00E9");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text().rfind(L"Не удалось сохранить имя в файле net_send.ini:\n", 0), 0u);
        EXPECT_NE(failure.Text().find(L"нельзя сохранить в кодировке"), std::wstring::npos);
    }
    EXPECT_EQ(Content(), "PC1");
}

TEST_F(RecipientsFile, UnrepresentableNameDoesNotCreateTheFile)
{
    EXPECT_THROW(AppendRecipient(L"\u4E2D"), Failure);
    EXPECT_FALSE(Exists());
}

TEST_F(RecipientsFile, AppendToAFolderOfThatNameFails)
{
    ASSERT_EQ(mkdir(kFile, 0777), 0);
    try {
        AppendRecipient(L"PC1");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text().rfind(L"Не удалось сохранить имя в файле net_send.ini:\n", 0), 0u);
        EXPECT_NE(failure.Text().find(L"directory"), std::wstring::npos);
    }
}

TEST_F(RecipientsFile, FailedWriteTakesBackThePartThatGotIn)
{
    // A file size limit lets only part of the line in; the append must fail and cut the file back.
    Write("PC1\r\nPC2");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 12;  // room for "\r\nPC" after the 8 bytes already there
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    std::wstring text;
    try {
        AppendRecipient(L"PC3-long-name");
    } catch (const Failure& failure) {
        failed = true;
        text = failure.Text();
    }
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_NE(text.find(L"large"), std::wstring::npos) << failed;  // "File too large"
    EXPECT_EQ(Content(), "PC1\r\nPC2");
}

// Another instance holds the appenders' lock (one byte at 1 GiB, where every instance looks for it)
// and does not let go: the append gives up within about a second, the file keeps its bytes and no
// descriptor of it stays open; once the lock is let go, the same append saves.
TEST_F(RecipientsFile, HeldAppendersLockIsWaitedForBrieflyThenReported)
{
    Write("PC1\r\n");
    const int holder = open(kFile, O_RDWR | O_CLOEXEC);
    ASSERT_NE(holder, -1);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x40000000;
    lock.l_len = 1;
    ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &lock), 0);
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto descriptors = openDescriptors();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(AppendRecipient(L"PC2"), Failure);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(openDescriptors(), descriptors) << "the failed append left the file open";
    EXPECT_EQ(Content(), "PC1\r\n");

    close(holder);
    AppendRecipient(L"PC2");
    EXPECT_EQ(Content(), "PC1\r\nPC2\r\n");
}

// Starts `processes` processes that each append `appends` names "ПК-<process>-<number>", all let go at
// the same moment, and waits for them.
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
            const ssize_t opened = read(gate[0], &byte, 1);  // returns 0 once the parent closes its end
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

// Checks that the file holds `first` and then every appended name whole, each process's in its order.
void ExpectWholeLines(const RecipientName& first, int processes, int appends)
{
    std::vector<RecipientName> names;
    ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
    ASSERT_EQ(names.size(), static_cast<std::size_t>(1 + processes * appends));
    EXPECT_EQ(names[0], first);
    std::vector<int> next(static_cast<std::size_t>(processes), 0);
    for (std::size_t i = 1; i < names.size(); ++i) {
        int p = -1;
        int n = -1;
        wchar_t extra = 0;
        ASSERT_EQ(swscanf(names[i].c_str(), L"ПК-%d-%d%lc", &p, &n, &extra), 2) << "entry " << i;
        ASSERT_TRUE(p >= 0 && p < processes);
        EXPECT_EQ(n, next[static_cast<std::size_t>(p)]++);
    }
}

TEST_F(RecipientsFile, ProcessesAppendingAtOnceLoseAndJoinNothing)
{
    // The file starts without a final line end: exactly one appender may end that line, so the lock
    // must hold from the look at the last byte to the write.
    Write("START");
    AppendFromProcessesAtOnce(4, 500);
    ExpectWholeLines(L"START", 4, 500);
    const std::string content = Content();
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
}

TEST_F(RecipientsFile, OnlyOneOfManyAppendersEndsAnUnendedLastLine)
{
    for (int round = 0; round < 20; ++round) {
        Write("START");
        AppendFromProcessesAtOnce(4, 2);
        ExpectWholeLines(L"START", 4, 2);  // a second CR LF would read as an empty entry
        if (HasFailure())
            break;
    }
}

}  // namespace
