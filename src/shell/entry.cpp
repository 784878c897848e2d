// The module's entry handler. The module keeps no state between calls, so loading needs no work
// and every notification succeeds. Unloading gives back the one block the statically linked C++
// runtime takes for itself at load and never frees: the reserve it keeps for throwing exceptions
// when memory runs out. A host that loads the module for each job would otherwise lose it each
// time.
#include <windows.h>

namespace __gnu_cxx {
void __freeres() noexcept;  // libstdc++: frees that reserve (as valgrind asks it to)
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // With the process ending (reserved set), nothing needs giving back, nor may be touched.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
