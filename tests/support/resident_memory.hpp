// How much resident memory a piece of work adds at its peak, for tests that hold a reader or a
// converter to its memory budget. The work runs in a forked child, so that nothing the test
// process did before counts: the child's resident size when it starts is the base, its high-water
// mark after the work the peak. Pages are counted as the kernel counts them (touched pages), so a
// buffer the size of the picture shows whether or not it is freed before the end.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace felmo::testing {

// False in sanitizer builds, whose shadow memory and quarantine make the figure meaningless.
bool residentMemoryIsMeasurable();

// The peak growth in bytes; nullopt when the work threw or the child could not be run.
std::optional<std::int64_t> peakResidentGrowth(const std::function<void()>& work);

}  // namespace felmo::testing
