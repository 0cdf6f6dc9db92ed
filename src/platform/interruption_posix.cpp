#include <csignal>
#include <initializer_list>

#include "base/stop_request.hpp"
#include "platform/interruption.hpp"

namespace felmo {
namespace {

extern "C" void requestStopOnSignal(int signalNumber) {
    requestStop(signalNumber);
}

}  // namespace

void requestStopOnInterruption() {
    // Without SA_RESTART, a wait in progress returns at once.
    struct sigaction action {};
    action.sa_handler = requestStopOnSignal;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM})
        ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace felmo
