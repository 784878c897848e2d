// The module's entry handler. Loading and unloading need no work, since the module keeps no
// state between calls, so every notification succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
