#include "arguments.h"

#ifdef _WIN32
// windows.h first: shellapi.h uses its macros.
#include <windows.h>

#include <shellapi.h>
#endif

namespace lorvex::cli {

#ifdef _WIN32

std::vector<std::string> utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(argument));
    }
    LocalFree(wide);
    return arguments;
}

platform::NativePath nativePath(const std::string& argument) {
    int size = MultiByteToWideChar(CP_UTF8, 0, argument.data(), static_cast<int>(argument.size()),
                                   nullptr, 0);
    std::wstring path(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, argument.data(), static_cast<int>(argument.size()), path.data(),
                        size);
    return path;
}

#else

// POSIX file names are bytes: they pass through untouched, whatever their encoding.
std::vector<std::string> utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

platform::NativePath nativePath(const std::string& argument) {
    return argument;
}

#endif

}  // namespace lorvex::cli
