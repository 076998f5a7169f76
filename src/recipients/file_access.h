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

// Opening waits this long, retrying, while another program holds the file open without sharing it.
inline constexpr unsigned kSharingRetryMilliseconds = 1000;

// A file read once from start to end. Closed by the destructor.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens the file for reading, sharing it with readers and writers. Returns false when there is no
    // such file. Throws FileError on any other failure, including a folder of that name.
    bool Open(const std::wstring& name);

    // Reads up to `size` bytes into `buffer`; returns 0 at the end of the file. Throws FileError.
    std::size_t Read(char* buffer, std::size_t size);

private:
    std::intptr_t handle_ = -1;
};

// A file opened for appending. While it is open, no other AppendFile on the same file (in this process
// or another) is: the constructor waits for the appenders' lock, the destructor releases it and closes
// the file. So reading the last byte and writing after it happen as one step.
class AppendFile {
public:
    // Opens the file for appending and reading, creating it empty when missing, and takes the lock.
    // Throws FileError.
    explicit AppendFile(const std::wstring& name);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // The file's current size in bytes. Throws FileError.
    std::uint64_t Size();

    // The byte at `offset`, which must be inside the file. Throws FileError.
    char ByteAt(std::uint64_t offset);

    // Writes the bytes at the end of the file with one write call (the system puts an append at the
    // end atomically). Should the system write only a part, the rest follows in further calls. Throws
    // FileError when a call fails; some of the bytes may then be in the file already.
    void Append(std::string_view bytes);

    // Cuts the file back to `size` bytes, undoing a failed Append. Returns false if that failed.
    bool TruncateTo(std::uint64_t size) noexcept;

    // Releases the lock and closes the file, reporting a failure of the close. Throws FileError.
    void Close();

private:
    std::wstring name_;
    std::intptr_t handle_ = -1;
    bool locked_ = false;
};
