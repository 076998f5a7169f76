// net_send.ini when the system stands in the way: held open by another program, read-only, locked in
// part, on a full disk. Reading shows what it could and says why; adding says why the name was not saved,
// after waiting a little for a holder to let go, and the file keeps every byte it had.

#include "harness.h"
#include "program.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace e2e {
namespace {

// A small disk that scripts/small-disks.sh (run as root) mounts and maps as a Wine drive, named in the
// environment variable; empty when there is none.
std::wstring DriveNamedIn(const wchar_t* variable)
{
    wchar_t drive[64] = {};
    const DWORD length = GetEnvironmentVariableW(variable, drive, 64);
    return length > 0 && length < 64 ? std::wstring(drive) : std::wstring();
}

bool Writable(const std::wstring& path)
{
    return static_cast<bool>(OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE));
}

const char kTwoNames[] = "PC1\r\nPC2\r\n";

// The program waits about a second for a holder to let go, so a report must come no sooner than that,
// and soon enough after for a user not to think it hung.
constexpr DWORD kRetryAtLeastMs = 900;
constexpr DWORD kReportWithinMs = 5000;

TEST(HeldOpen, ReadingWaitsThenSaysWhy)
{
    Program app(kTwoNames);
    {
        const KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ, 0);
        app.Start();  // returns when the window or a message box of it is up
        EXPECT_TRUE(app.OpeningMs() >= kRetryAtLeastMs && app.OpeningMs() <= UpperBound(kReportWithinMs))
            << "reported " << app.OpeningMs() << " ms after the start";
        app.ExpectFailureBox(Failed::Reading, ERROR_SHARING_VIOLATION);
    }
    EXPECT_TRUE(IsWindowVisible(app.Main()));
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(app.Items().empty());
    E2E_EXPECT_EQ(app.Recipients(), FileBytes(kTwoNames));
}

// Let go while the program is held up reading it at start.
TEST(HeldOpen, ReadingSucceedsWhenLetGoWithinTheWait)
{
    Program app(kTwoNames);
    KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ, 0);
    app.Launch(app.Folder());
    ASSERT_TRUE(app.WaitUntilBusy()) << "the program was never held up by the file";
    hold.Reset();
    app.WaitUntilUp();
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a message box although the file was let go in time";
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"PC2"}));
}

struct HoldCase {
    const char* name;
    DWORD access;
    DWORD share;
    bool locksForAppending;  // the holder also takes the appenders' lock, as another instance appending does
    DWORD error;
};

// No sharing at all, an editor that lets others read but not write, and another instance (perhaps on a
// machine that crashed, its lock left on the share) in the middle of an append.
const HoldCase kHoldCases[] = {
    {"NoSharing", GENERIC_READ, 0, false, ERROR_SHARING_VIOLATION},
    {"EditorSharingReadingOnly", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, false, ERROR_SHARING_VIOLATION},
    {"AppendersLockHeld", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true, ERROR_LOCK_VIOLATION},
};

E2E_TABLE_ONE_START(HeldOpenWhileAdding, HoldCase, kHoldCases);

TEST_P(HeldOpenWhileAdding, SaysWhy)
{
    const HoldCase& row = GetParam();
    Program& app = Program::ForRow(kTwoNames);
    app.SetText(app.Combo(), L"PC7");
    {
        const KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), row.access, row.share);
        // Where the program takes it: one byte at 1 GiB.
        OVERLAPPED lockAt = {};
        lockAt.Offset = 0x40000000;
        if (row.locksForAppending) {
            ASSERT_TRUE(LockFileEx(hold.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockAt))
                << "cannot take the lock (error " << GetLastError() << ")";
        }
        const DWORD start = GetTickCount();
        app.StartClick(app.AddButton());
        // A wait without end would leave the window "Not Responding": it answers before the report, or
        // from the report's message box.
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(SendMessageTimeoutW(app.Main(), WM_NULL, 0, 0, SMTO_NORMAL, UpperBound(kReportWithinMs), &ignored))
            << "the window did not answer for " << UpperBound(kReportWithinMs) << " ms";
        ASSERT_TRUE(app.WaitForMessageBox(kReportWithinMs) != nullptr) << "no report";
        const DWORD took = GetTickCount() - start;
        EXPECT_TRUE(took >= kRetryAtLeastMs && took <= UpperBound(kReportWithinMs))
            << "reported after " << took << " ms";
        app.ExpectFailureBox(Failed::Adding, row.error);
        if (row.locksForAppending)
            UnlockFileEx(hold.Get(), 0, 1, 0, &lockAt);
    }
    E2E_EXPECT_EQ(app.Recipients(), FileBytes(kTwoNames));
    E2E_EXPECT_EQ(app.Text(app.Combo()), L"PC7");
    EXPECT_TRUE(app.Running());
    // Once the other program lets go, the same press succeeds.
    app.Click(app.AddButton());
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\nPC2\r\nPC7\r\n"));
}

TEST(HeldOpen, EditorSharingReadingOnlyLetsTheListBeRead)
{
    Program app(kTwoNames);
    const KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
    app.Start();
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"PC2"}));
}

// Held once the program is up, let go while the press waits for it.
TEST(HeldOpen, AddingSucceedsWhenLetGoWithinTheWait)
{
    Program app(kTwoNames);
    app.Start();
    app.SetText(app.Combo(), L"PC7");
    KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ, 0);
    app.StartClick(app.AddButton());
    ASSERT_TRUE(app.WaitUntilBusy()) << "the press was never held up by the file";
    hold.Reset();
    app.Send(app.Main(), WM_NULL);
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr) << "a message box although the file was let go in time";
    E2E_EXPECT_EQ(app.Recipients(), FileBytes("PC1\r\nPC2\r\nPC7\r\n"));
}

// Under the name net_send.ini something that opens like a file but is none: a pipe would hold the window
// until someone wrote into it, a device may never end, and what is written into either is gone. The
// window opens at once with an empty list and says why, and says it again for a name added.
const wchar_t kNotADiskFile[] =
    L"Это не файл на диске, а канал или устройство: имена хранятся только в обычном файле.";

// Under Wine: runs a program of the Unix side on the Unix path of a file in a case's folder, and waits for
// the file to be there. Wine starts such a program as a plain Unix process and hands back no handle to
// wait on. False elsewhere, or when the file does not come.
bool MakeOnUnixSide(const std::wstring& command, const std::wstring& windowsPath)
{
    using ToUnixPath = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnixPath>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* const unixPath = toUnix ? toUnix(windowsPath.c_str()) : nullptr;
    if (!unixPath)
        return false;
    std::wstring line = command + L" \"" + FromUtf8(unixPath) + L"\"";
    HeapFree(GetProcessHeap(), 0, unixPath);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    // Listed in its folder: Wine answers GetFileAttributesW on a FIFO or a device with an error.
    const auto listed = [&windowsPath] {
        WIN32_FIND_DATAW found = {};
        const HANDLE search = FindFirstFileW(windowsPath.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        return true;
    };
    return WaitUntil(listed, 10000);
}

// Made on the Unix side, where they were measured: a FIFO, which held the window for 16 s, and a link to a
// device. Windows itself has no way to give a file on a disk either name; neither case can be made there.
struct NotAFileCase {
    const char* name;
    const wchar_t* command;  // run on the Unix path of net_send.ini
};

const NotAFileCase kNotAFileCases[] = {
    {"UnixFifo", L"/usr/bin/mkfifo"},
    {"UnixDevice", L"/bin/ln -s /dev/null"},
};

E2E_TABLE(NotADiskFile, NotAFileCase, kNotAFileCases);

TEST_P(NotADiskFile, IsNeitherReadNorWritten)
{
    const NotAFileCase& row = GetParam();
    Program app(std::nullopt);
    if (!MakeOnUnixSide(row.command, app.PathOf(L"net_send.ini")))
        GTEST_SKIP() << "no Unix side to make it on: not under Wine, or it did not come";
    app.Start();
    EXPECT_TRUE(app.OpeningMs() <= UpperBound(kReportWithinMs))
        << "reported " << app.OpeningMs() << " ms after the start";
    app.ExpectFailureBox(Failed::Reading, kNotADiskFile);
    EXPECT_TRUE(app.Items().empty());

    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    app.ExpectFailureBox(Failed::Adding, kNotADiskFile);
    EXPECT_TRUE(app.Running());
}

// A file marked read-only (as Explorer's Properties does): the list reads, adding says why. Wine keeps
// the mark as the file's Unix write permission, which root does not need; for a run as root
// scripts/small-disks.sh makes a read-only net_send.ini that root cannot write either (an immutable file)
// on a drive of its own, named in NETSEND_READONLY_FILE_DISK.
TEST(ReadOnlyFile, ListReadsAddingSaysWhy)
{
    Program app(kTwoNames);
    std::wstring folder = app.Folder();
    std::wstring path = app.PathOf(L"net_send.ini");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    if (Writable(path)) {
        folder = DriveNamedIn(L"NETSEND_READONLY_FILE_DISK");
        if (folder.empty())
            GTEST_SKIP() << "this system writes to read-only files (Wine run as root does), and there is no "
                            "drive NETSEND_READONLY_FILE_DISK with a file that cannot be written";
        folder += L"\\";
        path = folder + L"net_send.ini";
        ASSERT_TRUE(!Writable(path)) << "the file on NETSEND_READONLY_FILE_DISK takes writes";
    }
    const FileBytes before = BytesOf(path);
    app.StartIn(folder);
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"PC2"}));

    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    app.ExpectFailureBox(Failed::Adding, ERROR_ACCESS_DENIED);
    E2E_EXPECT_EQ(BytesOf(path), before);
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) << "the file is no longer read-only";
    EXPECT_TRUE(app.Running());
}

// The same on a disk mounted read-only, where even root cannot write: scripts/small-disks.sh maps one
// holding net_send.ini with PC1 and PC2 and names it in NETSEND_READONLY_DISK.
TEST(ReadOnlyDisk, ListReadsAddingSaysWhy)
{
    const std::wstring drive = DriveNamedIn(L"NETSEND_READONLY_DISK");
    if (drive.empty())
        GTEST_SKIP() << "no read-only disk mapped (scripts/small-disks.sh, as root, maps one and names it in "
                        "NETSEND_READONLY_DISK)";
    const std::wstring path = drive + L"\\net_send.ini";
    ASSERT_TRUE(BytesOf(path)) << "the read-only disk has no net_send.ini";
    const KernelHandle writer = OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE);
    const DWORD writeError = GetLastError();
    ASSERT_TRUE(!writer) << "the read-only disk takes writes";

    Program app(std::nullopt);
    app.StartIn(drive + L"\\");
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    E2E_EXPECT_EQ(app.Items(), (Items{L"PC1", L"PC2"}));
    app.SetText(app.Combo(), L"PC7");
    app.Click(app.AddButton());
    app.ExpectFailureBox(Failed::Adding, writeError);

    E2E_EXPECT_EQ(BytesOf(path), FileBytes(kTwoNames));
    EXPECT_TRUE(app.Running());
}

// Another program locks the second half of the file (LockFile): reading fails part way. The window opens
// with the names read before the failure, each whole, and says why.
TEST(LockedPart, ReadingShowsTheNamesBeforeTheLock)
{
    std::string bytes;
    std::vector<std::wstring> names;
    for (int i = 0; bytes.size() < 2 * 1024 * 1024; ++i) {
        const std::string name = "PC-" + std::to_string(1000000 + i);
        bytes += name + "\r\n";
        names.push_back(FromUtf8(name));
    }
    Program app(bytes);
    const KernelHandle hold = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(LockFile(hold.Get(), 1024 * 1024, 0, 1024 * 1024 + 4096, 0));
    {
        // Some systems lock against writers only; then this case has nothing to show.
        const KernelHandle other = Hold(app.PathOf(L"net_send.ini"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        OVERLAPPED at = {};
        at.Offset = 1024 * 1024 + 10;
        char byte = 0;
        DWORD got = 0;
        if (ReadFile(other.Get(), &byte, 1, &got, &at))
            GTEST_SKIP() << "this system lets a reader through a locked range";
    }

    app.Start();
    app.ExpectFailureBox(Failed::Reading, ERROR_LOCK_VIOLATION);
    EXPECT_TRUE(IsWindowVisible(app.Main()));
    const Items shown = app.Items();
    std::printf("  %zu of %zu names shown\n", shown.size(), names.size());
    EXPECT_TRUE(!shown.empty()) << "nothing of the first megabyte was shown";
    EXPECT_TRUE(shown.size() < names.size()) << "more was shown than could be read";
    if (shown.size() <= names.size()) {
        EXPECT_TRUE(std::equal(shown.begin(), shown.end(), names.begin())) << "the names shown are not the file's first ones";
    }
    UnlockFile(hold.Get(), 1024 * 1024, 0, 1024 * 1024 + 4096, 0);
    EXPECT_TRUE(app.Recipients() == FileBytes(bytes)) << "the file changed";
}

// A full disk: scripts/small-disks.sh mounts a 64 KiB disk and names its drive in NETSEND_TINY_DISK. The
// program's current directory is a folder there, its net_send.ini filling the disk but for `room` bytes
// (the program itself stays where it is: it would not fit). With room for part of the line, the system
// writes that part and fails on the rest, so the program has to take the part back.

// A folder of its own on the small disk, removed with everything in it afterwards.
class FolderOnDisk {
public:
    explicit FolderOnDisk(const std::wstring& path) : path_(path)
    {
        if (!CreateDirectoryW(path_.c_str(), nullptr))
            throw std::runtime_error("cannot make " + ToUtf8(path_) + " (error " + std::to_string(GetLastError()) + ")");
    }
    FolderOnDisk(const FolderOnDisk&) = delete;
    FolderOnDisk& operator=(const FolderOnDisk&) = delete;
    ~FolderOnDisk()
    {
        const std::wstring file = path_ + L"\\net_send.ini";
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

struct DiskCase {
    const char* name;
    ULONGLONG room;          // free bytes left on the disk
    bool finalLineEnd;       // whether the file's last line is ended
    bool saved;              // whether the name fits
};

const DiskCase kDiskCases[] = {
    {"NoRoomLeft", 0, true, false},
    {"RoomForPartOfTheLine", 5, true, false},
    {"RoomToEndTheUnfinishedLastLineOnly", 2, false, false},
    {"RoomEnoughForTheLine", 64, true, true},
};

E2E_TABLE(DiskFull, DiskCase, kDiskCases);

TEST_P(DiskFull, Adding)
{
    const DiskCase& row = GetParam();
    const std::wstring drive = DriveNamedIn(L"NETSEND_TINY_DISK");
    if (drive.empty())
        GTEST_SKIP() << "no small disk mapped (scripts/small-disks.sh, as root, maps one and names it in "
                        "NETSEND_TINY_DISK)";
    const FolderOnDisk folder(drive + L"\\netsend-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              FromUtf8(row.name));
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.Path().c_str(), &free, nullptr, nullptr));
    ASSERT_TRUE(free.QuadPart > row.room + 100 && free.QuadPart < 1024 * 1024) << free.QuadPart << " bytes free";

    // Lines of names, the last one padded so that the file leaves exactly `room` bytes.
    const size_t size = static_cast<size_t>(free.QuadPart - row.room);
    std::string bytes;
    while (bytes.size() + 40 < size)
        bytes += "PC-" + std::to_string(100000 + bytes.size()) + "\r\n";
    const size_t lineEnd = row.finalLineEnd ? 2 : 0;
    bytes += "PC-last-" + std::string(size - bytes.size() - 8 - lineEnd, 'x') + (row.finalLineEnd ? "\r\n" : "");
    const std::wstring path = folder.Path() + L"\\net_send.ini";
    {
        KernelHandle file = OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW);
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                written == bytes.size())
            << "cannot fill the disk: error " << GetLastError();
    }
    // The disk counts whole pages, so it may say less than the room left in the file's last page.
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.Path().c_str(), &free, nullptr, nullptr));
    ASSERT_TRUE(free.QuadPart <= row.room) << free.QuadPart << " bytes still free";

    Program app(std::nullopt);
    app.StartIn(folder.Path());
    EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
    const std::wstring name = L"ПК-бухгалтерия";
    app.SetText(app.Combo(), name);
    app.Click(app.AddButton());

    const std::string after = BytesOf(path).value_or("");
    if (row.saved) {
        EXPECT_TRUE(app.MessageBoxOfMain() == nullptr);
        EXPECT_TRUE(after == bytes + "\xCF\xCA-\xE1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF\r\n")
            << "the file has " << after.size() << " bytes, not " << bytes.size() << " + 16";
    } else {
        app.ExpectFailureBox(Failed::Adding, ERROR_DISK_FULL);
        EXPECT_TRUE(after == bytes) << "the file has " << after.size() << " bytes, not " << bytes.size()
                              << "; its end: " << Describe(after.substr(after.size() > 40 ? after.size() - 40 : 0));
    }
    EXPECT_TRUE(app.Running());
}

}  // namespace
}  // namespace e2e
