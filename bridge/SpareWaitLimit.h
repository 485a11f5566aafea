// How long a spare host waits for its click. A spare whose extension forgot it (the background
// script was suspended or ended without closing the port) must not stay behind for good.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The host's own limit; the extension lets its spare go a minute earlier.
constexpr std::chrono::minutes kSpareWaitLimit{5};

// Runs `expire` on a thread of its own once `limit` has passed without a Claim. Either the click
// claims the host in time, and `expire` never runs, or `expire` runs and every Claim fails: never both.
class SpareWaitLimit {
public:
    SpareWaitLimit(std::chrono::milliseconds limit, std::function<void()> expire);
    ~SpareWaitLimit();
    SpareWaitLimit(const SpareWaitLimit&) = delete;
    SpareWaitLimit& operator=(const SpareWaitLimit&) = delete;

    // True when the limit has not passed: from then on `expire` never runs.
    bool Claim();

private:
    enum class State { waiting, claimed, expired };

    std::mutex mutex;
    std::condition_variable changed;
    State state = State::waiting;
    std::thread watcher;
};
