// GoogleTest's own customisation point, found before its empty default when
// it is built for the Win32 test program. The MinGW runtime of the DLL's
// toolchain has no std::mutex or std::condition_variable, with which
// GoogleTest builds its one-shot notification; it is only used to start
// threads, which these tests never do.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : Notified(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { Notified.store(true); }
    void WaitForNotification() {
        while (!Notified.load()) {}
    }

private:
    std::atomic<bool> Notified;
};

} // namespace internal
} // namespace testing

#endif
