// Command-line arguments as UTF-8 strings, and paths from them, on every platform.
#pragma once

#include <string>
#include <vector>

#include "file.h"

namespace lorvex::tool {

// The program's arguments, argv[0] first, as UTF-8 (on Windows, read from the wide command
// line, so that any file name comes through).
std::vector<std::string> utf8Arguments(int argc, char** argv);

// The operating system's form of a path given as an argument.
platform::NativePath nativePath(const std::string& argument);

// Opens input on a path given as an argument, "-" being standard input, as it is to every
// command.
inline platform::Error openArgument(platform::InputFile& input, const std::string& path) {
    return path == "-" ? input.openStandardInput() : input.open(nativePath(path));
}

// Opens output on a path given as an argument, "-" being standard output.
inline platform::Error openArgument(platform::OutputFile& output, const std::string& path) {
    return path == "-" ? output.openStandardOutput() : output.open(nativePath(path));
}

// Paths as the platform spells them. On Windows a path may use either separator, a name may
// follow a drive ("Z:feed.xml", in that drive's current directory), and names that differ only
// in letter case name one file; elsewhere "/" is the one separator and every byte counts.

// The last component of path: its file name.
std::string lastComponent(const std::string& path);

// name inside dir, joined with the platform's separator (a "\\?\" path takes no other).
std::string joinPath(const std::string& dir, const std::string& name);

// A key that two paths share when the file system takes them for one name.
std::string nameKey(const std::string& path);

// The arguments with each "*" or "?" pattern replaced by the files it matches, sorted: on
// Windows the program expands them, not the shell. A pattern that matches no file is added to
// unmatched and dropped.
std::vector<std::string> expandWildcards(const std::vector<std::string>& arguments,
                                         std::vector<std::string>& unmatched);

}  // namespace lorvex::tool
