#include "arguments.h"

#ifdef _WIN32
// windows.h first: shellapi.h uses its macros.
#include <windows.h>

#include <shellapi.h>

#include "unicode.h"
#endif

#include <algorithm>

namespace lorvex::tool {

#ifdef _WIN32

namespace {

std::string utf8Of(std::wstring_view text) {
    return unicode::toUtf8Lossy(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace

std::vector<std::string> utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(utf8Of(wide[i]));
    LocalFree(wide);
    return arguments;
}

platform::NativePath nativePath(const std::string& argument) {
    std::u16string path;
    unicode::decodeUtf8(argument, path);
    return platform::NativePath(path.begin(), path.end());
}

namespace {

// Where the last component of path starts: after the last separator, or after a drive.
std::size_t componentStart(const std::string& path) {
    std::size_t separator = path.find_last_of("/\\");
    if (separator != std::string::npos) return separator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

}  // namespace

std::string lastComponent(const std::string& path) {
    return path.substr(componentStart(path));
}

std::string joinPath(const std::string& dir, const std::string& name) {
    bool complete = dir.empty() || componentStart(dir) == dir.size();  // "", "out\\", "Z:"
    return complete ? dir + name : dir + '\\' + name;
}

std::string nameKey(const std::string& path) {
    // NTFS compares names through the system's own table of upper-case letters, Ä and ä alike.
    std::wstring wide = nativePath(path);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return utf8Of(wide);
}

std::vector<std::string> expandWildcards(const std::vector<std::string>& arguments,
                                         std::vector<std::string>& unmatched) {
    std::vector<std::string> expanded;
    for (const std::string& argument : arguments) {
        std::size_t start = componentStart(argument);
        if (argument.find_first_of("*?", start) == std::string::npos) {
            expanded.push_back(argument);
            continue;
        }
        std::vector<std::string> matches;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileExW(nativePath(argument).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    matches.push_back(argument.substr(0, start) + utf8Of(found.cFileName));
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        if (matches.empty()) unmatched.push_back(argument);
        std::sort(matches.begin(), matches.end());
        expanded.insert(expanded.end(), matches.begin(), matches.end());
    }
    return expanded;
}

#else

// POSIX file names are bytes: they pass through untouched, whatever their encoding.
std::vector<std::string> utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

platform::NativePath nativePath(const std::string& argument) {
    return argument;
}

std::string lastComponent(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.ends_with('/') ? dir + name : dir + '/' + name;
}

std::string nameKey(const std::string& path) {
    return path;
}

std::vector<std::string> expandWildcards(const std::vector<std::string>& arguments,
                                         std::vector<std::string>&) {
    return arguments;  // the shell has expanded them
}

#endif

}  // namespace lorvex::tool
