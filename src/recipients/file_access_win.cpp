// Win32 file calls for the recipient file. Everything here exists on Windows XP SP3.

#include "recipients/file_access.h"

#include <windows.h>

namespace {

// The appenders lock this one byte at 2^62, far beyond any real end of the file, so that the lock
// never stands in the way of reading or writing the file's content (Windows byte-range locks are
// mandatory for the locked range only).
constexpr DWORD kLockOffsetLow = 0;
constexpr DWORD kLockOffsetHigh = 0x40000000;

constexpr DWORD kRetryStepMilliseconds = 50;

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

// CreateFileW, retried for a while when another program holds the file open without sharing it.
HANDLE OpenShared(const std::wstring& name, DWORD access, DWORD disposition)
{
    for (unsigned waited = 0;; waited += kRetryStepMilliseconds) {
        const HANDLE handle = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return handle;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
            waited >= kSharingRetryMilliseconds) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        Sleep(kRetryStepMilliseconds);
    }
}

OVERLAPPED LockRange()
{
    OVERLAPPED range{};
    range.Offset = kLockOffsetLow;
    range.OffsetHigh = kLockOffsetHigh;
    return range;
}

// Takes the appenders' lock, waiting for it (a holder keeps it only for a few calls, and the system
// releases it should the holder die). A file system without locks is used without: each append is
// still one write at the end of the file.
bool LockForAppend(HANDLE handle)
{
    OVERLAPPED range = LockRange();
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
        return false;
    throw FileError{error};
}

void Unlock(HANDLE handle)
{
    OVERLAPPED range = LockRange();
    UnlockFileEx(handle, 0, 1, 0, &range);
}

}  // namespace

InputFile::~InputFile()
{
    if (ToHandle(handle_) != INVALID_HANDLE_VALUE)
        CloseHandle(ToHandle(handle_));
}

bool InputFile::Open(const std::wstring& name)
{
    // A folder of that name fails here with "access denied", which is reported, not taken for "missing".
    const HANDLE handle = OpenShared(name, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return false;
        ThrowLastError();
    }
    handle_ = FromHandle(handle);
    return true;
}

std::size_t InputFile::Read(char* buffer, std::size_t size)
{
    const DWORD want = size < 0x40000000u ? static_cast<DWORD>(size) : 0x40000000u;
    DWORD got = 0;
    if (!ReadFile(ToHandle(handle_), buffer, want, &got, nullptr))
        ThrowLastError();
    return got;
}

AppendFile::AppendFile(const std::wstring& name) : name_(name)
{
    // With FILE_APPEND_DATA and without FILE_WRITE_DATA every WriteFile goes to the end of the file,
    // as one step, whatever other processes write in between. FILE_READ_DATA lets us read the last byte.
    const HANDLE handle = OpenShared(name, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                     OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE)
        ThrowLastError();
    handle_ = FromHandle(handle);
    locked_ = LockForAppend(handle);
}

AppendFile::~AppendFile()
{
    const HANDLE handle = ToHandle(handle_);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    if (locked_)
        Unlock(handle);
    CloseHandle(handle);
}

std::uint64_t AppendFile::Size()
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(ToHandle(handle_), &size))
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
    if (!ReadFile(ToHandle(handle_), &byte, 1, &got, &at))
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
        if (!WriteFile(ToHandle(handle_), bytes.data(), want, &put, nullptr))
            ThrowLastError();
        if (put == 0)
            throw FileError{ERROR_DISK_FULL};
        bytes.remove_prefix(put);
    }
}

bool AppendFile::TruncateTo(std::uint64_t size) noexcept
{
    // The append handle cannot set the end of the file (that needs FILE_WRITE_DATA), so a second handle
    // does it; the appenders' lock is still held, so no other appender writes meanwhile.
    const HANDLE writer = CreateFileW(name_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(size);
    const bool done = SetFilePointerEx(writer, position, nullptr, FILE_BEGIN) && SetEndOfFile(writer);
    CloseHandle(writer);
    return done;
}

void AppendFile::Close()
{
    const HANDLE handle = ToHandle(handle_);
    handle_ = FromHandle(INVALID_HANDLE_VALUE);
    if (locked_)
        Unlock(handle);
    locked_ = false;
    if (!CloseHandle(handle))
        ThrowLastError();
}
