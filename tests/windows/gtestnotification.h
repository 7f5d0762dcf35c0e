// GoogleTest's Notification, which it builds on std::mutex, here on a Windows event: the
// win32 thread model of MinGW, which the program is built with, has no std::mutex.
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;
    ~Notification() { CloseHandle(m_event); }
    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

} // namespace internal
} // namespace testing
