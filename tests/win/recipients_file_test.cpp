// The names file on Windows only: another program holding it open without sharing it.

#include "recipients_platform.h"

#include "common/failure.h"
#include "common/unique_handle_win.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using namespace recipients_test;

class RecipientsWinFile : public ::testing::Test {
protected:
    void SetUp() override { EnterScratchFolder(); }
    void TearDown() override { LeaveScratchFolder(); }
};

KernelHandle HoldWithoutSharing()
{
    return OwnFile(CreateFileW(kRecipientFileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
}

TEST_F(RecipientsWinFile, FileHeldWithoutSharingFailsAfterAShortWait)
{
    WriteNamesFile("PC1\r\n");
    {
        const KernelHandle holder = HoldWithoutSharing();
        ASSERT_TRUE(holder);
        const DWORD start = GetTickCount();
        EXPECT_THROW(AppendRecipient(L"PC2"), Failure);
        EXPECT_GE(GetTickCount() - start, 800u); // it waited for the holder before giving up
        EXPECT_THROW(ReadRecipients([](const RecipientName&) {}), Failure);
    }
    EXPECT_EQ(NamesFileContent(), "PC1\r\n");
}

// AppendRecipient on a thread of its own, so that the test can let go of the file while it waits.
struct Appender {
    std::wstring name;
    bool saved = false;
    std::wstring failure;

    static DWORD WINAPI Run(void* self)
    {
        auto& appender = *static_cast<Appender*>(self);
        try {
            AppendRecipient(appender.name);
            appender.saved = true;
        } catch (const Failure& error) {
            appender.failure = error.Text();
        }
        return 0;
    }
};

TEST_F(RecipientsWinFile, FileHeldBrieflyWithoutSharingIsWaitedFor)
{
    WriteNamesFile("PC1\r\n");
    KernelHandle holder = HoldWithoutSharing();
    ASSERT_TRUE(holder);
    Appender appender;
    appender.name = L"PC2";
    const KernelHandle thread(CreateThread(nullptr, 0, &Appender::Run, &appender, 0, nullptr));
    ASSERT_TRUE(thread);
    // Still busy while the file is held: it waits rather than failing at once or writing past the holder.
    // Let go once that is seen, well inside the appender's second of retries.
    EXPECT_EQ(WaitForSingleObject(thread.Get(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
    holder.Reset();
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(appender.saved) << appender.failure;
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC2\r\n");
}

} // namespace
