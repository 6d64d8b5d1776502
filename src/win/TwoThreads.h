// Work that mostly waits for the Wine server (opening, reading and listing
// files) goes faster on two threads: one asks while the other reads.
#pragma once

#include <cstddef>
#include <functional>

namespace win {

// work(i) for every i below count; once count reaches threshold, every
// second one runs on a thread of its own. Returns when all have run. work
// must be safe to call from two threads at once for different i.
void ForEachOnTwoThreads(size_t count, size_t threshold, const std::function<void(size_t)>& work);

}  // namespace win
