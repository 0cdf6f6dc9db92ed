// Ending a run gracefully when the user interrupts it.
#pragma once

namespace felmo {

// From now on an interruption (POSIX: SIGINT or SIGTERM; Windows: Ctrl+C, Ctrl+Break or the
// console being closed) makes a stop request (base/stop_request.hpp) instead of ending the
// process, and a wait in progress returns at once.
void requestStopOnInterruption();

}  // namespace felmo
