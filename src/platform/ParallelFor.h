#pragma once

// Runs work(i) for every i below count on the processor's cores and returns when every call
// has returned. The calls must not depend on each other. The caller's thread takes part; an
// exception that leaves a call is thrown again on the caller's thread once all have ended
// (the first one, when there are several). Work too small to be worth starting threads for
// runs on the caller's thread alone.

#include <cstddef>
#include <functional>

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& work,
                 bool worthThreads = true);

// The threads that ParallelFor runs its work on at the most: one a core.
std::size_t ProcessorCores();
