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

// Kernel objects: processes, threads, events, files.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// Libraries loaded at run time (LoadLibraryW).
struct ModuleHandleTraits {
    using Handle = HMODULE;
    static void Close(HMODULE module) noexcept { FreeLibrary(module); }
};
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

// Windows hooks (SetWindowsHookExW).
struct HookHandleTraits {
    using Handle = HHOOK;
    static void Close(HHOOK hook) noexcept { UnhookWindowsHookEx(hook); }
};
using HookHandle = UniqueHandle<HookHandleTraits>;

// CreateFileW reports a failure with INVALID_HANDLE_VALUE rather than null: this turns it into an empty
// owner, so that every kernel handle is tested the same way.
inline KernelHandle OwnFile(HANDLE fromCreateFile) noexcept
{
    return KernelHandle(fromCreateFile == INVALID_HANDLE_VALUE ? nullptr : fromCreateFile);
}
