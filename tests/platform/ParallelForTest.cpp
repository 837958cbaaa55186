#include "platform/ParallelFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(ParallelForTest, EveryIndexRunsOnceAndAFailureComesBackAfterAllHaveRun) {
    const std::thread::id caller = std::this_thread::get_id();
    for (bool worthThreads : {true, false}) {
        for (std::size_t count : {0u, 1u, 1000u}) {
            SCOPED_TRACE(testing::Message() << count << (worthThreads ? " on threads" : ""));
            const bool shared = worthThreads && count > 1 && ProcessorCores() > 1;
            std::vector<std::atomic<int>> calls(count);
            std::vector<std::thread::id> threads(count);
            std::mutex lock;
            std::condition_variable arrived;
            std::set<std::thread::id> seen;
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            ParallelFor(
                count,
                [&](std::size_t i) {
                    ++calls[i];
                    threads[i] = std::this_thread::get_id();
                    // Shared work waits for a second thread to take a call of its own.
                    std::unique_lock<std::mutex> guard(lock);
                    seen.insert(threads[i]);
                    arrived.notify_all();
                    arrived.wait_until(guard, giveUp, [&] { return !shared || seen.size() > 1; });
                },
                worthThreads);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(calls[i], 1) << "index " << i;
            }
            const std::set<std::thread::id> distinct(threads.begin(), threads.end());
            EXPECT_EQ(distinct.size() > 1, shared);
            EXPECT_LE(distinct.size(), ProcessorCores());
            if (!worthThreads) {
                EXPECT_EQ(std::count(threads.begin(), threads.end(), caller),
                          static_cast<std::ptrdiff_t>(count));
            }
        }
    }
    std::vector<std::atomic<int>> calls(100);
    EXPECT_THROW(ParallelFor(calls.size(),
                             [&](std::size_t i) {
                                 ++calls[i];
                                 if (i % 10 == 3) {
                                     throw std::runtime_error("failed");
                                 }
                             }),
                 std::runtime_error);
    for (const std::atomic<int>& call : calls) {
        EXPECT_EQ(call, 1);
    }
}

} // namespace
