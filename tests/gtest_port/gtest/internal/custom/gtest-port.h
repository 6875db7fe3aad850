// GoogleTest's port for the mingw-w64 GCC of the win32 thread model, which
// has no std::mutex or std::condition_variable. GoogleTest locks with its own
// Win32 mutex there and needs those two only for Notification, which serves
// its own tests of threads; this one waits on an atomic flag instead.
#ifndef QUADRIVO_TESTS_GTEST_PORT_CUSTOM_GTEST_PORT_H_
#define QUADRIVO_TESTS_GTEST_PORT_CUSTOM_GTEST_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // QUADRIVO_TESTS_GTEST_PORT_CUSTOM_GTEST_PORT_H_
