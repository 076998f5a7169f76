// Read before GoogleTest in every test built with mingw-w64's win32 thread model.
#pragma once
#ifdef __cplusplus
#include <windows.h>

#include <cstddef>
// GCC 13 and later give that thread model std::mutex and std::condition_variable, built on Vista's
// condition variables: their headers compile only for _WIN32_WINNT 0x0600 or later, and GoogleTest
// includes them. They are read here, once, as for Vista, after windows.h has been read for the
// program's own target; only the tests, which run under Wine, use them.
#if defined(_GLIBCXX_HAS_GTHREADS) && defined(_WIN32_WINNT) && _WIN32_WINNT < 0x0600
#pragma push_macro("_WIN32_WINNT")
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <condition_variable>
#include <mutex>
#pragma pop_macro("_WIN32_WINNT")
#endif

// GoogleTest 1.12's Notification needs std::mutex, which GCC 12's win32 thread model lacks.
namespace testing { namespace internal {
class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }
private:
    HANDLE event_;
};
} }
#endif
