#include "bridge/SpareWaitLimit.h"

#include <utility>

SpareWaitLimit::SpareWaitLimit(std::chrono::milliseconds limit, std::function<void()> expire)
{
    watcher = std::thread([this, limit, expire = std::move(expire)] {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (changed.wait_for(lock, limit, [this] { return state != State::waiting; })) return;
            state = State::expired;
        }
        expire();
    });
}

SpareWaitLimit::~SpareWaitLimit()
{
    Claim();
    watcher.join();
}

bool SpareWaitLimit::Claim()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (state == State::waiting) state = State::claimed;
    changed.notify_all();
    return state == State::claimed;
}
