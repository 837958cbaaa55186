#include "platform/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

TEST(ParallelForTest, EveryIndexRunsOnceAndAFailureComesBackAfterAllHaveRun) {
    for (bool worthThreads : {true, false}) {
        for (std::size_t count : {0u, 1u, 1000u}) {
            SCOPED_TRACE(testing::Message() << count << (worthThreads ? " on threads" : ""));
            std::vector<std::atomic<int>> calls(count);
            ParallelFor(
                count, [&](std::size_t i) { ++calls[i]; }, worthThreads);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(calls[i], 1) << "index " << i;
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
