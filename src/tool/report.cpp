#include "report.h"

#include <cerrno>
#include <cstdio>

#include "display.h"

namespace lorvex::tool {

namespace {

// Why the first write to stdout failed; a later flush no longer knows.
int firstWriteError = 0;

}  // namespace

void complain(const std::string& message) {
    std::fprintf(stderr, "lorvex: %s\n", message.c_str());
}

namespace {

void noteWriteError() {
    if (firstWriteError == 0) firstWriteError = errno != 0 ? errno : EIO;
}

}  // namespace

void print(std::string_view data) {
    errno = 0;
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::ferror(stdout)) {
        noteWriteError();
        throw OutputFailed{};
    }
}

void flushOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0) noteWriteError();
}

std::string quotedName(const std::string& path, const char* standardName) {
    if (path == "-") return standardName;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "'" + std::string at -O3.
    std::string quoted(1, '\'');
    return quoted.append(escapeFileName(path)).append(1, '\'');
}

std::string reasonFor(platform::Error error) {
    if (error == platform::tooBig) return "an item spans more than 1 GiB";
    if (error == platform::tooMany) return "more records than a count can hold (2147483647)";
    return platform::errorMessage(error);
}

std::string readFailure(const std::string& name, platform::Error error, bool opened) {
    return std::string(opened ? "cannot read " : "cannot open ") + name + ": " + reasonFor(error);
}

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

ExitStatus finishOutput(ExitStatus status) {
    flushOutput();
    if (firstWriteError == 0 && !std::ferror(stdout)) return status;
    int error = firstWriteError != 0 ? firstWriteError : EIO;
    // A reader that has gone (head) wanted no more: that needs no complaint.
    if (!platform::isBrokenPipe(error)) {
        complain("cannot write to standard output: " + platform::errorMessage(error));
    }
    return ExitStatus::failure;
}

}  // namespace lorvex::tool
