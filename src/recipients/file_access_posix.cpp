// POSIX file calls for the recipient file (the native build and its tests).

#include "recipients/file_access.h"

#include <cerrno>
#include <climits>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowLastError()
{
    throw FileError{static_cast<unsigned long>(errno)};
}

// The file name in UTF-8, as the POSIX calls take it.
std::string NarrowName(const std::wstring& name)
{
    std::string out;
    for (const wchar_t wc : name) {
        // As a Unicode code point: wchar_t is signed here, char32_t is not.
        const char32_t c = static_cast<char32_t>(wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A path from the system, in UTF-8, as wide text; a byte that is not UTF-8 stands for itself.
std::wstring WideName(const std::string& name)
{
    std::wstring out;
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        bool whole = length == 1 || (lead < 0xF8 && i + length <= name.size());
        for (std::size_t k = 1; whole && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(name[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        out += static_cast<wchar_t>(whole ? c : lead);
        i += whole ? length : 1;
    }
    return out;
}

int Fd(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

// The appenders' byte (see file_access.h); `type` locks or unlocks it.
struct flock AppendersRange(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(kAppendLockOffset);
    range.l_len = static_cast<off_t>(kAppendLockLength);
    return range;
}

// Open-file-description locks (Linux) also keep apart two threads of one process, and two descriptors
// of one file; elsewhere classic process locks are used.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

// Takes the appenders' lock without ever blocking, retrying for a bounded time: a holder keeps it
// only for a few calls, but on a network file system a stuck client may keep it for minutes. A file
// system that has no locks (some network file systems) is used without: each append is still one
// write at the end.
bool LockForAppend(int fd)
{
    const auto start = std::chrono::steady_clock::now();
    const auto budget = std::chrono::milliseconds(kBusyRetryMilliseconds);
    for (unsigned pause = 1;; pause = NextBusyPause(pause)) {
        struct flock lock = AppendersRange(F_WRLCK);
        if (fcntl(fd, kSetLock, &lock) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
            return false;
        if (errno != EAGAIN && errno != EACCES)
            ThrowLastError();
        if (std::chrono::steady_clock::now() - start >= budget)
            throw FileError{EAGAIN};
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

// Opened without waiting (a FIFO would wait for a writer), then only a regular file goes on, and in
// blocking mode again. A folder is refused as Windows refuses it, with its own error.
void RequireRegularFile(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        ThrowLastError();
    if (S_ISDIR(info.st_mode))
        throw FileError{EISDIR};
    if (!S_ISREG(info.st_mode))
        throw FileError{kNotADiskFile};
    const int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
        ThrowLastError();
}

void Unlock(int fd)
{
    struct flock lock = AppendersRange(F_UNLCK);
    fcntl(fd, kSetLock, &lock);
}

}  // namespace

void FileHandle::Close(std::intptr_t value) noexcept
{
    close(Fd(value));
}

std::wstring FullPathOf(const std::wstring& name)
{
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr)
        return name;
    const std::string here(folder);
    return WideName(here) + (here == "/" ? L"" : L"/") + name;
}

bool InputFile::Open(const std::wstring& name)
{
    int fd = -1;
    do {
        fd = open(NarrowName(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1) {
        if (errno == ENOENT)
            return false;
        ThrowLastError();
    }
    file_ = FileHandle(fd);
    // A folder opens for reading here; reading it would fail, but say so at once.
    RequireRegularFile(fd);
    return true;
}

std::size_t InputFile::Read(char* buffer, std::size_t size)
{
    if (size > SSIZE_MAX)
        size = SSIZE_MAX;
    for (;;) {
        const ssize_t got = read(Fd(file_.Get()), buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            ThrowLastError();
    }
}

AppendFile::AppendFile(const std::wstring& name) : name_(name)
{
    int fd = -1;
    do {
        fd = open(NarrowName(name).c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1)
        ThrowLastError();
    file_ = FileHandle(fd);
    RequireRegularFile(fd);
    locked_ = LockForAppend(fd);
}

AppendFile::~AppendFile()
{
    if (file_ && locked_)
        Unlock(Fd(file_.Get()));
}

std::uint64_t AppendFile::Size()
{
    struct stat info {};
    if (fstat(Fd(file_.Get()), &info) != 0)
        ThrowLastError();
    return static_cast<std::uint64_t>(info.st_size);
}

char AppendFile::ByteAt(std::uint64_t offset)
{
    char byte = 0;
    for (;;) {
        const ssize_t got = pread(Fd(file_.Get()), &byte, 1, static_cast<off_t>(offset));
        if (got == 1)
            return byte;
        if (got == 0)
            throw FileError{EIO};  // the file shrank under us
        if (errno != EINTR)
            ThrowLastError();
    }
}

void AppendFile::Append(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t size = bytes.size() < SSIZE_MAX ? bytes.size() : SSIZE_MAX;
        const ssize_t put = write(Fd(file_.Get()), bytes.data(), size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            ThrowLastError();
        }
        if (put == 0)
            throw FileError{ENOSPC};
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
}

bool AppendFile::TruncateTo(std::uint64_t size) noexcept
{
    return ftruncate(Fd(file_.Get()), static_cast<off_t>(size)) == 0;
}

void AppendFile::Close()
{
    const int fd = Fd(file_.Release());
    if (locked_)
        Unlock(fd);
    locked_ = false;
    if (close(fd) != 0 && errno != EINTR)
        ThrowLastError();
}
