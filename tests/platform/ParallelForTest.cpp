#include "platform/ParallelFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(ParallelForTest, EveryIndexRunsOnceAndAFailureComesBackAfterAllHaveRun) {
    const std::thread::id caller = std::this_thread::get_id();
    for (bool worthThreads : {true, false}) {
        for (std::size_t count : {0u, 1u, 1000u}) {
            SCOPED_TRACE(testing::Message() << count << (worthThreads ? " on threads" : ""));
            std::vector<std::atomic<int>> calls(count);
            std::vector<std::thread::id> threads(count);
            ParallelFor(
                count,
                [&](std::size_t i) {
                    ++calls[i];
                    threads[i] = std::this_thread::get_id();
                    // Long enough that threads, once started, take a share.
                    std::this_thread::sleep_for(std::chrono::microseconds(20));
                },
                worthThreads);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(calls[i], 1) << "index " << i;
            }
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
