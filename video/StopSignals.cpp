#include "video/StopSignals.h"

#include <atomic>

namespace {

std::atomic<int> receivedSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int signal) {
    receivedSignal.store(signal, std::memory_order_relaxed);
}

} // namespace

StopSignals::StopSignals() {
    receivedSignal.store(0);
    struct sigaction noting {};
    noting.sa_handler = noteSignal;
    sigemptyset(&noting.sa_mask);
    sigaction(SIGINT, &noting, &previousInterrupt_);
    sigaction(SIGTERM, &noting, &previousTerminate_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

int StopSignals::received() {
    return receivedSignal.load(std::memory_order_relaxed);
}
