#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The few file calls the recipient file needs, with twins for Windows (file_access_win.cpp) and POSIX
// (file_access_posix.cpp, used by the native tests). They know nothing about names or code pages; the
// policy (what to write, what to do on failure) is in recipient_file.cpp.

// A file call failed. `code` is the platform's error code (GetLastError or errno), taken right after
// the failed call, for SystemReason.
struct FileError {
    unsigned long code;
};

// The name is not a file on a disk but a pipe, a device or a console: FileError's code when the file
// calls refuse such a thing, before reading from it or writing to it. A pipe would hold the window until
// someone writes into it, a device may never end. No system gives this code (on Windows, bit 29 marks
// the codes of applications; errno values are small).
inline constexpr unsigned long kNotADiskFile = 0x20000001ul;

// Opening the file, and taking the appenders' lock, each wait this long, retrying, while another
// program holds the file open without sharing it, or holds the lock. Past that the user is told the
// file is in use: on a network share a lock left by a crashed client can last for minutes, and the
// window must not stop answering meanwhile.
inline constexpr unsigned kBusyRetryMilliseconds = 1000;

// The pause before the next try: short at first, since appenders hold the lock for a few calls only,
// then longer, up to 50 ms.
constexpr unsigned NextBusyPause(unsigned pause)
{
    return pause >= 25 ? 50 : pause * 2;
}

// The appenders' lock: one byte at 1 GiB. Beyond any end a names file reaches, so it never stands in
// the way of reading or writing the content (Windows byte-range locks are mandatory for the locked
// range only), yet within 32-bit offsets, which servers and NAS boxes without 64-bit lock offsets
// accept.
inline constexpr std::uint32_t kAppendLockOffset = 0x40000000u;
inline constexpr std::uint32_t kAppendLockLength = 1;

// One open file of the platform (a HANDLE on Windows, a file descriptor elsewhere), closed by its
// owner's end, whichever way that comes. Move-only.
class FileHandle {
public:
    FileHandle() noexcept = default;
    explicit FileHandle(std::intptr_t value) noexcept : value_(value) {}
    FileHandle(FileHandle&& other) noexcept : value_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            value_ = other.Release();
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Reset(); }

    std::intptr_t Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != kNone; }
    std::intptr_t Release() noexcept
    {
        const std::intptr_t value = value_;
        value_ = kNone;
        return value;
    }

private:
    void Reset() noexcept
    {
        if (value_ != kNone)
            Close(Release());
    }
    static void Close(std::intptr_t value) noexcept;  // CloseHandle or close, in the twins

    // INVALID_HANDLE_VALUE on Windows, and no file descriptor.
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t value_ = kNone;
};

// The file's full path as the user would look for it: the current folder of this moment, then the
// name. The bare name when the folder cannot be told.
std::wstring FullPathOf(const std::wstring& name);

// A file read once from start to end. Closed by the destructor.
class InputFile {
public:
    // Opens the file for reading, sharing it with readers and writers. Returns false when there is no
    // such file. Throws FileError on any other failure, including a folder of that name, and with
    // kNotADiskFile for what is not a file on a disk.
    bool Open(const std::wstring& name);

    // Reads up to `size` bytes into `buffer`; returns 0 at the end of the file. Throws FileError.
    std::size_t Read(char* buffer, std::size_t size);

private:
    FileHandle file_;
};

// A file opened for appending. While it is open, no other AppendFile on the same file (in this process
// or another) is: the constructor takes the appenders' lock, the destructor releases it and closes
// the file. So reading the last byte and writing after it happen as one step, on a share too.
class AppendFile {
public:
    // Opens the file for appending and reading, creating it empty when missing, and takes the lock,
    // waiting for it up to kBusyRetryMilliseconds. Throws FileError (kNotADiskFile for what is not a
    // file on a disk); the file is then closed again.
    explicit AppendFile(const std::wstring& name);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // The file's current size in bytes. Throws FileError.
    std::uint64_t Size();

    // The byte at `offset`, which must be inside the file. Throws FileError.
    char ByteAt(std::uint64_t offset);

    // Writes the bytes at the end of the file. The system puts each write at the end as one step on
    // local disks only; on a share it is the appenders' lock that keeps other instances from writing
    // in between. Should the system write only a part, the rest follows in further calls. Throws
    // FileError when a call fails; some of the bytes may then be in the file already.
    void Append(std::string_view bytes);

    // Cuts the file back to `size` bytes, undoing a failed Append. Returns false if that failed.
    bool TruncateTo(std::uint64_t size) noexcept;

    // Releases the lock and closes the file, reporting a failure of the close. Throws FileError.
    void Close();

private:
    std::wstring name_;
    FileHandle file_;
    bool locked_ = false;
};
