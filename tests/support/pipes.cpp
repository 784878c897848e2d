#include "support/pipes.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <string_view>

namespace lorvex::test {

PipeWriter::PipeWriter(std::filesystem::path path, std::string bytes, bool endless)
    : thread_([this, path, bytes, endless] { run(path, bytes, endless); }) {}

PipeWriter::~PipeWriter() {
    if (thread_.joinable()) thread_.join();
}

std::size_t PipeWriter::finish() {
    thread_.join();
    return written_;
}

void PipeWriter::run(const std::filesystem::path& path, const std::string& bytes, bool endless) {
    // A write to a pipe whose reader has gone then fails with EPIPE instead of killing us.
    std::signal(SIGPIPE, SIG_IGN);
    int fd = ::open(path.c_str(), O_WRONLY);
    const std::string zeros(4096, '\0');
    for (std::string_view next = bytes; fd >= 0 && (!next.empty() || endless);) {
        if (next.empty()) next = zeros;
        ssize_t put = ::write(fd, next.data(), next.size());
        if (put <= 0) break;
        next.remove_prefix(static_cast<std::size_t>(put));
        written_ += static_cast<std::size_t>(put);
    }
    if (fd >= 0) ::close(fd);
}

}  // namespace lorvex::test
