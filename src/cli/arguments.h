// Command-line arguments as UTF-8 strings, and paths from them, on every platform.
#pragma once

#include <string>
#include <vector>

#include "../platform/file.h"

namespace lorvex::cli {

// The program's arguments, argv[0] first, as UTF-8 (on Windows, read from the wide command
// line, so that any file name comes through).
std::vector<std::string> utf8Arguments(int argc, char** argv);

// The operating system's form of a path given as an argument.
platform::NativePath nativePath(const std::string& argument);

}  // namespace lorvex::cli
