#include "call_bound.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace db {

namespace {

using Clock = std::chrono::steady_clock;

class Watcher {
  public:
    Watcher() {
        std::thread([this] { Run(); }).detach();
    }

    std::uint64_t Schedule(Clock::time_point when, std::function<void()> action) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::uint64_t id = ++lastId_;
        actions_.emplace(id, Entry{when, std::move(action)});
        // Only an earlier wake-up needs the thread: a later one is found when it wakes anyway.
        if (when < wakeAt_) wake_.notify_one();
        return id;
    }

    bool Cancel(std::uint64_t id) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (actions_.erase(id) > 0) return true;
        finished_.wait(lock, [&] { return running_ != id; });
        return false;
    }

  private:
    struct Entry {
        Clock::time_point when;
        std::function<void()> action;
    };

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            auto due = actions_.end();
            for (auto it = actions_.begin(); it != actions_.end(); ++it)
                if (due == actions_.end() || it->second.when < due->second.when) due = it;
            wakeAt_ = due == actions_.end() ? Clock::time_point::max() : due->second.when;
            if (due == actions_.end() || Clock::now() < wakeAt_) {
                if (due == actions_.end())
                    wake_.wait(lock);
                else
                    wake_.wait_until(lock, wakeAt_);
                continue;
            }
            std::function<void()> action = std::move(due->second.action);
            running_ = due->first;
            actions_.erase(due);
            lock.unlock();
            action();
            lock.lock();
            running_ = 0;
            finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::map<std::uint64_t, Entry> actions_;
    std::uint64_t lastId_ = 0;
    std::uint64_t running_ = 0;
    Clock::time_point wakeAt_ = Clock::time_point::max();
};

// Made on first use and never destroyed: its thread may still wait when the process ends.
Watcher& TheWatcher() {
    static Watcher* watcher = new Watcher;
    return *watcher;
}

}  // namespace

std::uint64_t RunLater(std::chrono::milliseconds delay, std::function<void()> action) {
    return TheWatcher().Schedule(Clock::now() + delay, std::move(action));
}

bool CancelLater(std::uint64_t id) {
    return TheWatcher().Cancel(id);
}

CallBound::CallBound(int seconds, std::function<void()> onExpiry) {
    if (seconds <= 0) return;
    id_ = RunLater(std::chrono::seconds(seconds), [this, onExpiry = std::move(onExpiry)] {
        expired_ = true;
        onExpiry();
    });
}

CallBound::~CallBound() {
    if (id_ != 0) CancelLater(id_);
}

}  // namespace db
