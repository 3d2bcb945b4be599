// Ctrl-C, hang-up and termination while quillox writes files. The handlers only note
// the request; the work asks at points where it can stop cleanly (between files, at
// each block the codec reads, before a temporary file is renamed into place), so that
// its temporary files are removed and nothing that existed before is touched.
#pragma once

#include <csignal>

#include "runtime/Exception.h"

// "interrupted": raised where a noted stop request is acted on.
class EInterrupted : public Exception {
public:
    EInterrupted() : Exception("interrupted") {}
};

// Notes SIGINT, SIGTERM and (where there is one) SIGHUP for as long as it lives, and
// puts the previous handlers back when it goes; a signal ignored before stays ignored. Guards may nest; the request noted
// under any of them stays until the outermost one goes.
class TStopRequestGuard {
public:
    TStopRequestGuard();
    ~TStopRequestGuard();
    TStopRequestGuard(const TStopRequestGuard&) = delete;
    TStopRequestGuard& operator=(const TStopRequestGuard&) = delete;

    static bool Requested();
    // Raises EInterrupted when a stop has been requested.
    static void ThrowIfRequested();

private:
    using Handler = void (*)(int);
    Handler old_[3];
};
