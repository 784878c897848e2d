// CVarnel, fnVarnel and nVarnel: exports that hosts of the module expect beside ConvertFile.
// Each is defined out of line so that the module holds a symbol for it.
#include "lorvex.h"

// operator= copies exactly one byte: a data member added later would need copying too.
static_assert(sizeof(CVarnel) == 1);

CVarnel::CVarnel() {}

CVarnel& CVarnel::operator=(const CVarnel& source) {
    // The object's only state is its one byte of storage; reading and writing an object's bytes
    // through unsigned char is always allowed.
    *reinterpret_cast<unsigned char*>(this) = *reinterpret_cast<const unsigned char*>(&source);
    return *this;
}

int fnVarnel() {
    return 42;
}

// Constant-initialized: no code runs to set it when the module loads.
int nVarnel = 0;
