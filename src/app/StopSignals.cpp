#include "app/StopSignals.h"

#include "common/ComputingWindow.h"

#include <atomic>
#include <csignal>

namespace kalemir {

namespace {

std::atomic<ComputingWindow*> stopTarget{nullptr};
volatile std::sig_atomic_t lastSignal = 0;

extern "C" void OnStopSignal(int signal) {
    lastSignal = signal;
    if (ComputingWindow* window = stopTarget.load()) {
        window->RequestStop();
    }
}

} // namespace

void RouteStopSignals(ComputingWindow* window) {
    stopTarget.store(window);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes in progress complete
    // Ctrl+C, kill, the terminal closed, the reader of the output gone (a pipe into head).
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaction(signal, &action, nullptr);
    }
}

int InterruptedExitStatus() {
    return 128 + (lastSignal != 0 ? static_cast<int>(lastSignal) : SIGINT);
}

} // namespace kalemir
