#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

namespace ct::server {

// Lists from this size on are worked through in two halves at once.
inline constexpr std::size_t two_halves_from = 4000;

// Calls `work(i)` for every i below `count`, the second half on a thread of its own once the
// list is long enough (and a second core is there). The items must not depend on each other. What
// the work throws comes out as if the items were taken in order: the first half's before the
// second's.
template <typename Work> void in_two_halves(std::size_t count, Work&& work) {
    auto all = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            work(i);
        }
    };
    if (count < two_halves_from || std::thread::hardware_concurrency() < 2) {
        all(0, count);
        return;
    }
    const std::size_t half = count / 2;
    std::exception_ptr second_fault;
    std::thread second;
    try {
        second = std::thread([&] {
            try {
                all(half, count);
            } catch (...) {
                second_fault = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        all(0, count); // no thread to be had
        return;
    }
    std::exception_ptr first_fault;
    try {
        all(0, half);
    } catch (...) {
        first_fault = std::current_exception();
    }
    second.join();
    if (first_fault) {
        std::rethrow_exception(first_fault);
    }
    if (second_fault) {
        std::rethrow_exception(second_fault);
    }
}

} // namespace ct::server
