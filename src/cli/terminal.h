// What the tool needs to know about the terminal, on every platform.
#pragma once

#include <cstddef>
#include <cstdio>

namespace lorvex::cli {

// Whether stream is attached to a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// The width, in columns, that a table on stdout should fit: the terminal's own width when stdout
// is one, else the COLUMNS environment variable when it holds a number, else 80.
std::size_t outputColumns();
// The same for any stream.
std::size_t columnsOf(std::FILE* stream);

// Sets stdout up for UTF-8 bytes for as long as it lives. On Windows that means binary mode (so
// that "\r\n" in a CSV field stays as it is) and a UTF-8 code page on a console, put back after;
// elsewhere there is nothing to do.
class Utf8Output {
  public:
    Utf8Output();
    Utf8Output(const Utf8Output&) = delete;
    Utf8Output& operator=(const Utf8Output&) = delete;
    ~Utf8Output();

  private:
    unsigned savedCodePage_ = 0;
};

}  // namespace lorvex::cli
