#include "temporary_name.h"

namespace lorvex::platform {

NativePath temporaryStem(const NativePath& directory, const NativePath& name) {
    NativePath stem = directory;
    stem += '.';
    stem += name.substr(0, 200);
    stem += '.';
    return stem;
}

NativePath temporarySuffix() {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    randomBytes(random, sizeof random);
    NativePath suffix;
    for (unsigned char byte : random)
        suffix += static_cast<NativePath::value_type>(alphabet[byte % (sizeof alphabet - 1)]);
    return suffix;
}

}  // namespace lorvex::platform
