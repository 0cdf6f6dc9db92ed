#include <windows.h>

#include <csignal>

#include "base/stop_request.hpp"
#include "platform/interruption.hpp"

namespace felmo {
namespace {

BOOL WINAPI requestStopOnControl(DWORD control) {
    switch (control) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            requestStop(SIGINT);
            return TRUE;
        case CTRL_CLOSE_EVENT:
            requestStop(SIGTERM);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void requestStopOnInterruption() {
    ::SetConsoleCtrlHandler(requestStopOnControl, TRUE);
}

}  // namespace felmo
