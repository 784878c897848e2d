// The names of the temporaries that an output is written to before it takes the output's place,
// alike on every system: ".<name>.XXXXXX" beside the output, so that one a crash leaves behind
// says what it is, with six random letters and digits that nobody can guess.
#pragma once

#include <cstddef>

#include "file.h"

namespace lorvex::platform {

// Fills bytes with random bytes from the system, or failing that with bytes that still differ
// from call to call (an exclusive create keeps a clash harmless). Each system's file layer
// supplies it.
void randomBytes(unsigned char* bytes, std::size_t size);

// The part of a temporary's name before its random suffix: directory, a dot, name cut to 200
// characters (which keeps the whole within any file system's limit on a name) and a dot.
NativePath temporaryStem(const NativePath& directory, const NativePath& name);

// A new random suffix.
NativePath temporarySuffix();

// Tries new names for a temporary of name in directory until create(path) settles one: create
// makes the file at path exclusively, and returns false only when the name is taken already.
// After a hundred names taken, it gives up; path then holds the last name tried.
template <class Create>
void tryTemporaryNames(const NativePath& directory, const NativePath& name, NativePath& path,
                       Create create) {
    NativePath stem = temporaryStem(directory, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = stem + temporarySuffix();
        if (create(path)) return;
    }
}

}  // namespace lorvex::platform
