// The terminal the tool writes to, where the system has its own calls for it: whether a stream
// is one, how wide it is, and (on Windows) the console's code page.
#pragma once

#include <cstddef>
#include <cstdio>

namespace lorvex::tool {

// Whether stream is attached to a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// The width, in columns, that a table on stream should fit: the terminal's own width when stream
// is one, else the COLUMNS environment variable when it holds a number, else 80.
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

}  // namespace lorvex::tool
