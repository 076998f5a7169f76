// The names file on Windows only: another program holding it open without sharing it, or holding the
// appenders' lock.

#include "recipients_platform.h"

#include "common/failure.h"
#include "common/system_reason.h"
#include "common/unique_handle_win.h"
#include "recipients/recipient_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace recipients_test;

class RecipientsWinFile : public ::testing::Test {
protected:
    void SetUp() override { EnterScratchFolder(); }
    void TearDown() override { LeaveScratchFolder(); }
};

// Another program has the file: open without sharing it, or holding the appenders' lock (one byte at
// 1 GiB, where every instance of the program, of any version, looks for it). A hold is given up as
// another instance would: unlocked, then closed.
struct Holder {
    const char* label;
    DWORD share;
    bool locks;
    DWORD error; // what the append reports once it gives up
};

void PrintTo(const Holder& holder, std::ostream* out)
{
    *out << holder.label;
}

OVERLAPPED AppendersLockRange()
{
    OVERLAPPED range{};
    range.Offset = 0x40000000;
    return range;
}

// Owns a hold on the names file and lets go of it as another instance would: unlocked, then closed.
class Hold {
public:
    explicit Hold(const Holder& holder)
        : file_(OwnFile(CreateFileW(kRecipientFileName, GENERIC_READ | GENERIC_WRITE, holder.share, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))),
          locks_(holder.locks)
    {
        OVERLAPPED range = AppendersLockRange();
        if (file_ && locks_ && !LockFileEx(file_.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range))
            file_.Reset();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    ~Hold() { LetGo(); }

    explicit operator bool() const { return static_cast<bool>(file_); }
    // What the holder writes at the end of the file meanwhile.
    bool Append(char byte) const
    {
        DWORD written = 0;
        return SetFilePointer(file_.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
               WriteFile(file_.Get(), &byte, 1, &written, nullptr) && written == 1;
    }
    void LetGo()
    {
        OVERLAPPED range = AppendersLockRange();
        if (file_ && locks_)
            UnlockFileEx(file_.Get(), 0, 1, 0, &range);
        file_.Reset();
    }

private:
    KernelHandle file_;
    bool locks_;
};

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

class RecipientsWinFileHeld : public RecipientsWinFile, public testing::WithParamInterface<Holder> {};

// The window waits on this: it must give up within about a second, say the file is in use, leave it
// as it was and keep no handle of it open; once let go, the same append saves.
TEST_P(RecipientsWinFileHeld, AppendGivesUpAfterAShortWaitAndLetsGoOfTheFile)
{
    WriteNamesFile("PC1\r\n");
    Hold hold(GetParam());
    ASSERT_TRUE(hold);
    const DWORD start = GetTickCount();
    try {
        AppendRecipient(L"PC2");
        ADD_FAILURE() << "saved while the file was held";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Text(), AddFailureText(L"PC2", SystemReason(GetParam().error)));
    }
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 800u) << "it gave up without waiting for the holder";
    EXPECT_LT(waited, 3000u) << "it kept the caller waiting";
    hold.LetGo();

    EXPECT_EQ(NamesFileContent(), "PC1\r\n");
    EXPECT_TRUE(OwnFile(CreateFileW(kRecipientFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)))
        << "the failed append left the file open: " << GetLastError();
    AppendRecipient(L"PC2");
    EXPECT_EQ(NamesFileContent(), "PC1\r\nPC2\r\n");
}

// The last byte is read only once the add has the file to itself: the holder's unended "X" is ended first.
TEST_P(RecipientsWinFileHeld, AppendWaitsForABriefHold)
{
    WriteNamesFile("");
    Hold hold(GetParam());
    ASSERT_TRUE(hold);
    Appender appender;
    appender.name = L"PC2";
    const KernelHandle thread(CreateThread(nullptr, 0, &Appender::Run, &appender, 0, nullptr));
    ASSERT_TRUE(thread);
    // Still busy while the file is held: it waits rather than failing at once or writing past the holder.
    // Let go once that is seen, well inside the appender's second of retries.
    EXPECT_EQ(WaitForSingleObject(thread.Get(), 100), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(hold.Append('X'));
    hold.LetGo();
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(appender.saved) << appender.failure;
    EXPECT_EQ(NamesFileContent(), "X\r\nPC2\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Holders, RecipientsWinFileHeld,
    testing::Values(Holder{"OpenWithoutSharing", 0, false, ERROR_SHARING_VIOLATION},
                    Holder{"AppendersLock", FILE_SHARE_READ | FILE_SHARE_WRITE, true, ERROR_LOCK_VIOLATION}),
    [](const testing::TestParamInfo<Holder>& info) { return std::string(info.param.label); });

TEST_F(RecipientsWinFile, ReadingWaitsForNoAppenderButNotForAHolderWithoutSharing)
{
    WriteNamesFile("PC1\r\n");
    {
        const Hold hold(Holder{"OpenWithoutSharing", 0, false, 0});
        ASSERT_TRUE(hold);
        EXPECT_THROW(ReadRecipients([](const RecipientName&) {}), Failure);
    }
    // Reading is never kept from the content by an appender's lock, however long it is held (Windows only).
    const Hold hold(Holder{"AppendersLock", FILE_SHARE_READ | FILE_SHARE_WRITE, true, 0});
    ASSERT_TRUE(hold);
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine lets readers through byte-range locks: a lock in the wrong place cannot show here";
    std::vector<std::wstring> names;
    ReadRecipients([&](const RecipientName& name) { names.push_back(name); });
    EXPECT_EQ(names, std::vector<std::wstring>{L"PC1"});
}

} // namespace
