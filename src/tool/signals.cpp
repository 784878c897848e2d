#include "signals.h"

#ifndef _WIN32
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <system_error>
#include <thread>

#include "file.h"
#endif

namespace lorvex::tool {

#ifdef _WIN32

void watchSignals() {}

#else

namespace {

sigset_t watched;

// Waits for one of the watched signals, removes the temporaries, and lets the signal end the
// process as it would have. Removing files is no job for a signal handler: this thread waits
// for the signal instead, while every other thread keeps it blocked.
void waitForTheEnd() {
    int signal = 0;
    while (sigwait(&watched, &signal) != 0) {
    }
    platform::removeTemporaries();
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    std::raise(signal);
    _exit(128 + signal);  // not reached: the signal's default action ends the process
}

}  // namespace

void watchSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    sigemptyset(&watched);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&watched, signal);
        }
    }
    platform::noteTemporaries();
    sigset_t old;
    if (pthread_sigmask(SIG_BLOCK, &watched, &old) != 0) return;
    try {
        std::thread(waitForTheEnd).detach();
    } catch (const std::system_error&) {
        // No thread to wait: the signals end the tool at once, as they would any program.
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
}

#endif

}  // namespace lorvex::tool
