// Win32 file calls for the recipient file. Everything here exists on Windows XP SP3.

#include "recipients/file_access.h"

#include <windows.h>

namespace {

HANDLE ToHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

[[noreturn]] void ThrowLastError()
{
    throw FileError{GetLastError()};
}

// Runs `attempt` until it succeeds, fails for a reason other than the file being busy, or the retry
// budget is spent; GetLastError then tells why. Time is taken from the clock, not from the sleeps
// alone: each attempt may itself take a while on a share.
template <typename Attempt>
bool RetryWhileBusy(Attempt attempt)
{
    const DWORD start = GetTickCount();
    for (unsigned pause = 1;; pause = NextBusyPause(pause)) {
        if (attempt())
            return true;
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!busy || GetTickCount() - start >= kBusyRetryMilliseconds) {
            SetLastError(error);
            return false;
        }
        Sleep(pause);
    }
}

// CreateFileW, retried for a while when another program holds the file open without sharing it.
FileHandle OpenShared(const std::wstring& name, DWORD access, DWORD disposition)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    RetryWhileBusy([&] {
        handle = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    return FileHandle(FromHandle(handle));
}

// Pipes, devices and consoles open like files; only a file on a disk is read or written.
void RequireDiskFile(HANDLE handle)
{
    SetLastError(NO_ERROR);
    if (GetFileType(handle) == FILE_TYPE_DISK)
        return;
    const DWORD error = GetLastError();
    throw FileError{error != NO_ERROR ? error : kNotADiskFile};
}

OVERLAPPED LockRange()
{
    OVERLAPPED range{};
    range.Offset = kAppendLockOffset;
    return range;
}

// Takes the appenders' lock without ever blocking: a holder keeps it only for a few calls, and the
// system releases it should the holder die, but on a share a stuck client may keep it for minutes. A
// file system without locks is used without: each append is still one write at the end of the file.
bool LockForAppend(HANDLE handle)
{
    const bool locked = RetryWhileBusy([handle] {
        OVERLAPPED range = LockRange();
        return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kAppendLockLength, 0,
                          &range) != FALSE;
    });
    if (locked)
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
        return false;
    throw FileError{error};
}

void Unlock(HANDLE handle)
{
    OVERLAPPED range = LockRange();
    UnlockFileEx(handle, 0, kAppendLockLength, 0, &range);
}

}  // namespace

void FileHandle::Close(std::intptr_t value) noexcept
{
    CloseHandle(ToHandle(value));
}

std::wstring FullPathOf(const std::wstring& name)
{
    // The size asked first: a current folder may be longer than MAX_PATH.
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return name;
    std::wstring path(needed, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), needed, &path[0], nullptr);
    if (length == 0 || length >= needed)
        return name;
    path.resize(length);
    return path;
}

bool InputFile::Open(const std::wstring& name)
{
    // A folder of that name fails here with "access denied", which is reported, not taken for "missing".
    file_ = OpenShared(name, GENERIC_READ, OPEN_EXISTING);
    if (!file_) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return false;
        ThrowLastError();
    }
    RequireDiskFile(ToHandle(file_.Get()));
    return true;
}

std::size_t InputFile::Read(char* buffer, std::size_t size)
{
    const DWORD want = size < 0x40000000u ? static_cast<DWORD>(size) : 0x40000000u;
    DWORD got = 0;
    if (!ReadFile(ToHandle(file_.Get()), buffer, want, &got, nullptr))
        ThrowLastError();
    return got;
}

// With FILE_APPEND_DATA and without FILE_WRITE_DATA every WriteFile goes to the end of the file.
// FILE_READ_DATA lets us read the last byte.
AppendFile::AppendFile(const std::wstring& name)
    : name_(name),
      file_(OpenShared(name, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, OPEN_ALWAYS))
{
    if (!file_)
        ThrowLastError();
    RequireDiskFile(ToHandle(file_.Get()));
    locked_ = LockForAppend(ToHandle(file_.Get()));
}

AppendFile::~AppendFile()
{
    if (file_ && locked_)
        Unlock(ToHandle(file_.Get()));
}

std::uint64_t AppendFile::Size()
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(ToHandle(file_.Get()), &size))
        ThrowLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

char AppendFile::ByteAt(std::uint64_t offset)
{
    // On a handle opened for synchronous access, OVERLAPPED just gives the position to read at.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    char byte = 0;
    DWORD got = 0;
    if (!ReadFile(ToHandle(file_.Get()), &byte, 1, &got, &at))
        ThrowLastError();
    if (got != 1)
        throw FileError{ERROR_HANDLE_EOF};  // the file shrank under us
    return byte;
}

void AppendFile::Append(std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD want = bytes.size() < 0x40000000u ? static_cast<DWORD>(bytes.size()) : 0x40000000u;
        DWORD put = 0;
        if (!WriteFile(ToHandle(file_.Get()), bytes.data(), want, &put, nullptr))
            ThrowLastError();
        if (put == 0)
            throw FileError{ERROR_DISK_FULL};
        bytes.remove_prefix(put);
    }
}

bool AppendFile::TruncateTo(std::uint64_t size) noexcept
{
    // When nothing got in there is nothing to take back. Setting the end where it already is would
    // not be harmless either: Wine then grows the file by a byte and back, which fails on a full disk.
    LARGE_INTEGER now{};
    if (GetFileSizeEx(ToHandle(file_.Get()), &now) && static_cast<std::uint64_t>(now.QuadPart) == size)
        return true;
    // The append handle cannot set the end of the file (that needs FILE_WRITE_DATA), so a second handle
    // does it; the appenders' lock is still held, so no other appender writes meanwhile.
    const FileHandle writer(FromHandle(CreateFileW(name_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!writer)
        return false;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(ToHandle(writer.Get()), position, nullptr, FILE_BEGIN) &&
           SetEndOfFile(ToHandle(writer.Get()));
}

void AppendFile::Close()
{
    const HANDLE handle = ToHandle(file_.Release());
    if (locked_)
        Unlock(handle);
    locked_ = false;
    if (!CloseHandle(handle))
        ThrowLastError();
}
