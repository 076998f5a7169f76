#pragma once

#include <windows.h>

#include <utility>

// A move-only owner for one handle of the kinds the program creates; Traits say how to close it.
// (Imported system functions cannot be template arguments themselves: their addresses are not
// constants.)
template <typename Traits>
class UniqueHandle {
    using Handle = typename Traits::Handle;

public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    Handle Release() noexcept { return std::exchange(handle_, nullptr); }

    void Reset(Handle handle = nullptr) noexcept
    {
        Handle old = std::exchange(handle_, handle);
        if (old)
            Traits::Close(old);
    }

private:
    Handle handle_ = nullptr;
};

// Kernel objects: processes, threads, events. (Files come back from CreateFileW as INVALID_HANDLE_VALUE
// on failure; the file code keeps its own owner for that reason.)
struct KernelHandleTraits {
    using Handle = HANDLE;
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;
