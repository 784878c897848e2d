#include "report.h"

#include <cerrno>
#include <cstdio>

namespace lorvex::cli {

void complain(const std::string& message) {
    std::fprintf(stderr, "lorvex: %s\n", message.c_str());
}

std::string readFailure(const std::string& path, platform::Error error, bool opened) {
    std::string reason =
        error == platform::tooBig ? "an item spans more than 1 GiB" : platform::errorMessage(error);
    return std::string(opened ? "cannot read '" : "cannot open '") + path + "': " + reason;
}

ExitStatus finishOutput(ExitStatus status) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    int error = errno != 0 ? errno : EIO;
    complain("cannot write to standard output: " + platform::errorMessage(error));
    return ExitStatus::failure;
}

}  // namespace lorvex::cli
