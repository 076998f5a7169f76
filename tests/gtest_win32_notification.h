// GoogleTest 1.12's Notification needs std::mutex, which GCC 12's win32 thread model lacks.
#pragma once
#ifdef __cplusplus
#include <windows.h>
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
