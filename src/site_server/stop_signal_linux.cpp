#include <pthread.h>
#include <signal.h>

#include "site_server/stop_signal.h"

namespace mulan::site_server {

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

void CatchStopSignals() {
    // Blocked here, inherited by every thread started later, taken only by sigwait.
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A client that goes away mid-answer must not end the process.
    signal(SIGPIPE, SIG_IGN);
}

void WaitForStopSignal() {
    const sigset_t signals = StopSignals();
    int which = 0;
    while (sigwait(&signals, &which) != 0) {
    }
}

}  // namespace mulan::site_server
