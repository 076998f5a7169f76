// The names file on POSIX only: what a file size limit does to an append, another instance holding the
// appenders' lock, and a FIFO in the file's place.

#include "recipients_platform.h"

#include "common/failure.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace recipients_test;

class RecipientsPosixFile : public ::testing::Test {
protected:
    void SetUp() override { EnterScratchFolder(); }
    void TearDown() override { LeaveScratchFolder(); }
};

TEST_F(RecipientsPosixFile, FailedWriteTakesBackThePartThatGotIn)
{
    // A file size limit lets only part of the line in; the append must fail and cut the file back.
    WriteNamesFile("PC1\r\nPC2");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 12; // room for "\r\nPC" after the 8 bytes already there
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
    EXPECT_NE(text.find(L"large"), std::wstring::npos) << failed; // "File too large"
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC2");
}

// Another instance holds the appenders' lock (one byte at 1 GiB, where every instance looks for it)
// and does not let go: the append gives up within about a second, the file keeps its bytes and no
// descriptor of it stays open; once the lock is let go, the same append saves.
TEST_F(RecipientsPosixFile, HeldAppendersLockIsWaitedForBrieflyThenReported)
{
    WriteNamesFile("PC1\r\n");
    const int holder = open("net_send.ini", O_RDWR | O_CLOEXEC);
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
    EXPECT_EQ(NamesFileContent(), "PC1\r\n");

    close(holder);
    AppendRecipient(L"PC2");
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC2\r\n");
}

// A FIFO under the file's name would hold the reader until someone wrote into it, and swallow an append:
// both are refused at once, saying why, and the FIFO stays as it was.
TEST_F(RecipientsPosixFile, FifoIsNeitherReadNorWritten)
{
    ASSERT_EQ(mkfifo("net_send.ini", 0666), 0);
    const auto start = std::chrono::steady_clock::now();
    for (const bool reading : {true, false}) {
        try {
            if (reading)
                ReadRecipients([](const RecipientName&) { ADD_FAILURE() << "a name from a FIFO"; });
            else
                AppendRecipient(L"PC1");
            ADD_FAILURE() << (reading ? "read" : "appended") << " without a failure";
        } catch (const Failure& failure) {
            EXPECT_NE(failure.Text().find(L"\nЭто не файл на диске"), std::wstring::npos) << failure.Text();
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    struct stat info {};
    ASSERT_EQ(stat("net_send.ini", &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

} // namespace
