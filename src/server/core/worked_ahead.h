#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace ct::server {

// Lists from this size on have their items worked out ahead on a thread of their own.
inline constexpr std::size_t worked_ahead_from = 4000;

// Works out `prepare(i)` for i = 0, 1, ... on a thread of its own (once the list is long enough
// and a second core is there), ahead of a caller who takes the items in the same order. take(i)
// gives item i if the thread got to it first and it could be worked out, or nothing: the caller
// then works it out itself, so that whatever it throws comes in its usual order. The thread
// skips the items the caller has passed.
template <typename T> class WorkedAhead {
public:
    template <typename Prepare> WorkedAhead(std::size_t count, Prepare prepare) {
        if (count < worked_ahead_from || std::thread::hardware_concurrency() < 2) {
            return;
        }
        items_.resize(count);
        try {
            thread_ = std::thread([this, count, prepare = std::move(prepare)]() mutable {
                for (std::size_t i = 0; i < count && !stop_.load(std::memory_order_relaxed); ++i) {
                    i = std::max(i, taken_.load(std::memory_order_relaxed));
                    if (i >= count) {
                        break;
                    }
                    try {
                        items_[i] = prepare(i);
                    } catch (...) {
                        // Left to the caller, who meets the fault in its turn.
                    }
                    done_.store(i + 1, std::memory_order_release);
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: the caller works every item out.
        }
    }
    WorkedAhead(const WorkedAhead&) = delete;
    WorkedAhead& operator=(const WorkedAhead&) = delete;
    ~WorkedAhead() {
        stop_.store(true, std::memory_order_relaxed);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Items are taken once each, in increasing order.
    std::optional<T> take(std::size_t i) {
        taken_.store(i + 1, std::memory_order_relaxed);
        if (done_.load(std::memory_order_acquire) > i) {
            return std::move(items_[i]);
        }
        return std::nullopt;
    }

private:
    std::vector<std::optional<T>> items_;
    std::atomic<std::size_t> done_{0};  // items below it are worked out (or skipped)
    std::atomic<std::size_t> taken_{0}; // the caller's next item
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace ct::server
