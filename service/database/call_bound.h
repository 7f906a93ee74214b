// Inside the database layer only: a bound on a driver call that may wait for a server, kept by one watcher
// thread, for drivers that ignore the bound they were given; and actions run later on the same thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace db {

// A driver that ignores its bound gets this much longer before the call is ended for it.
inline constexpr int kBoundGraceSeconds = 1;

// Runs `action` on the watcher thread once `delay` has passed, unless cancelled before. The action must not
// wait for the thread that scheduled it.
std::uint64_t RunLater(std::chrono::milliseconds delay, std::function<void()> action);
// Cancels an action not yet started; one already running is waited for. True when it never ran.
bool CancelLater(std::uint64_t id);

// While it lives, a call has `seconds` (0: no bound) to return; past that `onExpiry` runs on the watcher
// thread, and must make the call return (by ending its connection's sockets).
class CallBound {
  public:
    CallBound(int seconds, std::function<void()> onExpiry);
    ~CallBound();  // the action has finished or will never run
    CallBound(const CallBound&) = delete;
    CallBound& operator=(const CallBound&) = delete;

    bool Expired() const { return expired_; }

  private:
    std::atomic<bool> expired_{false};
    std::uint64_t id_ = 0;
};

}  // namespace db
