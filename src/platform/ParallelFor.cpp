#include "platform/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

std::size_t ProcessorCores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 bool worthThreads) {
    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto takeTurns = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard<std::mutex> guard(failureLock);
                failure = failure != nullptr ? failure : std::current_exception();
            }
        }
    };
    const std::size_t cores = worthThreads ? ProcessorCores() : 1;
    std::vector<std::thread> helpers;
    helpers.reserve(std::min(count, cores));
    for (std::size_t t = 1; t < std::min(count, cores); ++t) {
        try {
            helpers.emplace_back(takeTurns);
        } catch (...) {
            break; // no more threads to be had: those running share the work
        }
    }
    takeTurns();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failure != nullptr) {
        std::rethrow_exception(failure);
    }
}
