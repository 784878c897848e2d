// pthread_once for the 32-bit module, in place of the threads library's own. On x86 GCC's runtime
// registers the module's unwind tables when it loads, and that takes a once-lock; the threads
// library's pthread_once sets up its record of the calling thread first, which costs a
// thread-local slot and two handles that nothing gives back when the module unloads, so that a
// host loading the module for each job would run out of slots after about a thousand loads.
// This one needs nothing but the flag itself. The link sends every call of pthread_once here
// (--wrap).
#include <windows.h>

#include <pthread.h>

namespace {
enum : LONG {
    notRun = 0,
    done = 1,
    running = 2
};  // the threads library's own values for the first two
}

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*run)()) {
    static_assert(sizeof(pthread_once_t) == sizeof(LONG) && PTHREAD_ONCE_INIT == notRun);
    auto* state = reinterpret_cast<volatile LONG*>(once);
    for (;;) {
        LONG seen = InterlockedCompareExchange(state, running, notRun);
        if (seen == done) return 0;
        if (seen == notRun) {
            run();
            InterlockedExchange(state, done);
            return 0;
        }
        SwitchToThread();  // another thread is running it: it ends soon
    }
}
