#include "terminal.h"

#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace lorvex::tool {

namespace {

constexpr std::size_t fallbackColumns = 80;

std::size_t columnsFromEnvironment() {
    const char* value = std::getenv("COLUMNS");
    if (value == nullptr || *value == '\0') return 0;
    char* end = nullptr;
    unsigned long columns = std::strtoul(value, &end, 10);
    return *end == '\0' && columns < 10000 ? columns : 0;
}

}  // namespace

#ifdef _WIN32

namespace {

std::size_t terminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

}  // namespace

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

Utf8Output::Utf8Output() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    if (isTerminal(stdout)) {
        savedCodePage_ = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
}

Utf8Output::~Utf8Output() {
    std::fflush(stdout);
    if (savedCodePage_ != 0) SetConsoleOutputCP(savedCodePage_);
}

#else

namespace {

std::size_t terminalColumns(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}  // namespace

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

Utf8Output::Utf8Output() = default;
Utf8Output::~Utf8Output() = default;

#endif

std::size_t columnsOf(std::FILE* stream) {
    std::size_t columns = isTerminal(stream) ? terminalColumns(stream) : 0;
    if (columns == 0) columns = columnsFromEnvironment();
    return columns != 0 ? columns : fallbackColumns;
}

}  // namespace lorvex::tool
