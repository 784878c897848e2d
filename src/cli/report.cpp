#include "report.h"

#include <cerrno>
#include <cstdio>

#include "display.h"

namespace lorvex::cli {

namespace {

// Why the first write to stdout failed; a later flush no longer knows.
int firstWriteError = 0;

}  // namespace

void complain(const std::string& message) {
    std::fprintf(stderr, "lorvex: %s\n", message.c_str());
}

void print(std::string_view data) {
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() && firstWriteError == 0) {
        firstWriteError = errno != 0 ? errno : EIO;
    }
}

std::string fileName(const std::string& path, const char* standardName) {
    if (path == "-") return standardName;
    return "'" + escapeUtf8ForDisplay(path) + "'";
}

std::string reasonFor(platform::Error error) {
    return error == platform::tooBig ? "an item spans more than 1 GiB"
                                     : platform::errorMessage(error);
}

std::string readFailure(const std::string& name, platform::Error error, bool opened) {
    return std::string(opened ? "cannot read " : "cannot open ") + name + ": " + reasonFor(error);
}

ExitStatus finishOutput(ExitStatus status) {
    errno = 0;
    bool flushed = std::fflush(stdout) == 0;
    int error = flushed ? firstWriteError : errno;
    if (flushed && !std::ferror(stdout)) return status;
    complain("cannot write to standard output: " +
             platform::errorMessage(error != 0 ? error : EIO));
    return ExitStatus::failure;
}

}  // namespace lorvex::cli
