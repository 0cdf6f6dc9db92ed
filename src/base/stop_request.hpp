// A request to end the run early, made from a signal handler (SIGINT, SIGTERM) and seen by the
// loops that wait, so that the program ends the way a normal end does (its work tree removed)
// instead of dying in the middle.
#pragma once

#include <csignal>

namespace felmo {

namespace detail {
inline volatile std::sig_atomic_t stopSignal = 0;
}

// Async-signal-safe: only stores the number.
inline void requestStop(int signalNumber) noexcept {
    detail::stopSignal = signalNumber;
}

// The signal number of the request, 0 when none was made.
inline int stopRequested() noexcept {
    return detail::stopSignal;
}

}  // namespace felmo
