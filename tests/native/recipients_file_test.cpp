// The names file on POSIX only: what a file size limit does to an append.

#include "recipients_platform.h"

#include "common/failure.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>

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

} // namespace
