#include "tools/quillox/StopRequest.h"

namespace {

volatile std::sig_atomic_t gStopRequested = 0;
int gGuards = 0;

extern "C" void NoteStopRequest(int) { gStopRequested = 1; }

#ifdef SIGHUP
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int kSignals[3] = {SIGINT, SIGTERM, 0};
#endif

}  // namespace

TStopRequestGuard::TStopRequestGuard() {
    if (gGuards++ == 0) gStopRequested = 0;
    for (int i = 0; i < 3; ++i) {
        old_[i] = kSignals[i] ? std::signal(kSignals[i], NoteStopRequest) : nullptr;
        // A signal the caller ignores (a background job's Ctrl-C, nohup's hang-up)
        // stays ignored.
        if (old_[i] == SIG_IGN) std::signal(kSignals[i], SIG_IGN);
    }
}

TStopRequestGuard::~TStopRequestGuard() {
    for (int i = 0; i < 3; ++i)
        if (kSignals[i]) std::signal(kSignals[i], old_[i]);
    --gGuards;
}

bool TStopRequestGuard::Requested() { return gStopRequested != 0; }

void TStopRequestGuard::ThrowIfRequested() {
    if (Requested()) throw EInterrupted();
}
